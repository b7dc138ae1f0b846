"""File sizes of the benchmark outputs, shown beside the times: reports are mailed and archived,
so how small a tool packs the same cells is part of the job."""


def mib(size):
    return "%.2f" % (size / 1024 / 1024)


def size_columns(job, tool):
    """The output's size in MiB and its share of libxlsxwriter's output for the same cells."""
    sizes = job.get("sizes", {})
    if tool.name not in sizes:
        return "-", ""
    reference = next((size for name, size in sizes.items() if name.startswith("libxlsxwriter")), None)
    share = "" if reference is None else "%.0f%%" % (100.0 * sizes[tool.name] / reference)
    return mib(sizes[tool.name]), share


def size_verdict(job):
    """Tavlora's output against libxlsxwriter's: within 5% or smaller is the target."""
    sizes = job.get("sizes", {})
    ours = sizes.get("tavlora")
    reference = next((size for name, size in sizes.items() if name.startswith("libxlsxwriter")), None)
    if ours is None or reference is None:
        return None
    share = ours / reference
    return "%s: output %s MiB, %.1f%% of libxlsxwriter's %s MiB (target 105%%) %s" % (
        job["short"], mib(ours), 100 * share, mib(reference), "met" if share <= 1.05 else "NOT met")
