"""Builds the Python module with the project's CMake build (Release, without tests) and installs
it with its type stub. The build tree is build/pip unless TAVLORA_PIP_BUILD_DIR names another."""
import glob
import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build_dir = os.environ.get("TAVLORA_PIP_BUILD_DIR", os.path.join(ROOT, "build", "pip"))
        # A tree configured before (build/release of scripts/example) is reused as it is.
        if not os.path.exists(os.path.join(build_dir, "CMakeCache.txt")):
            subprocess.check_call(["cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                                   "-DTAVLORA_BUILD_TESTS=OFF", "-DTAVLORA_BUILD_EXAMPLES=OFF",
                                   "-DTAVLORA_BUILD_SHARED=OFF", "-DPYTHON_EXECUTABLE=" + sys.executable])
        subprocess.check_call(["cmake", "--build", build_dir, "--target", "tavlora_python",
                               "-j", str(os.cpu_count() or 1)])
        built = glob.glob(os.path.join(build_dir, "python", "tavlora*.so"))
        if len(built) != 1:
            raise RuntimeError("the CMake build made no single Python module: %s" % built)
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built[0], target)
        shutil.copyfile(os.path.join(ROOT, "src", "server", "python", "tavlora.pyi"),
                        os.path.join(os.path.dirname(target), "tavlora.pyi"))


setup(ext_modules=[Extension("tavlora", sources=[])], cmdclass={"build_ext": CMakeBuild})
