// The Python face of the library: objects created by ProgID whose members are reached by name,
// late-bound, exactly as an automation client reaches them.
#include <pybind11/pybind11.h>
#include <pybind11/eval.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <vector>

#include "com/Conversions.h"
#include "com/Dispatch.h"
#include "server/ApiReference.h"
#include "server/ClassRegistry.h"
#include "server/DataSourceFactory.h"
#include "server/python/PythonRecordset.h"
#include "tavlora/Constants.h"
#include "tavlora/Failures.h"

namespace py = pybind11;

namespace tavlora::python {

namespace {

using com::MemberKind;
using com::Variant;
using com::VarType;

// A library object seen from Python.
class Object {
public:
    explicit Object(std::shared_ptr<com::Dispatch> object) : object_(std::move(object)) {}
    const std::shared_ptr<com::Dispatch>& dispatch() const { return object_; }

private:
    std::shared_ptr<com::Dispatch> object_;
};

// Lists nest far less than this in any real call; the limit keeps a deep or self-containing list
// from exhausting the stack (the conversion and the freeing of the result both recurse).
constexpr int kMaxListNesting = 64;

Variant toVariant(const py::handle& value, int depth = 0);

Variant sequenceToVariant(const py::sequence& items, int depth) {
    if (depth >= kMaxListNesting)
        throw py::type_error("cannot pass lists nested more than " + std::to_string(kMaxListNesting) + " deep to the library");
    std::vector<Variant> values;
    values.reserve(items.size());
    for (const auto& item : items) values.push_back(toVariant(item, depth + 1));
    return Variant::array(std::move(values));
}

Variant toVariant(const py::handle& value, int depth) {
    if (value.is_none()) return Variant();
    if (py::isinstance<py::bool_>(value)) return Variant(value.cast<bool>());
    if (py::isinstance<py::int_>(value)) {
        long long number = value.cast<long long>();
        if (number >= INT32_MIN && number <= INT32_MAX) return Variant(static_cast<int32_t>(number));
        return Variant(static_cast<int64_t>(number));
    }
    if (py::isinstance<py::float_>(value)) return Variant(value.cast<double>());
    if (py::isinstance<py::str>(value)) return Variant(value.cast<std::string>());
    if (py::isinstance<Object>(value)) return Variant(value.cast<Object&>().dispatch());
    if (py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value)) {
        return sequenceToVariant(value.cast<py::sequence>(), depth);
    }
    throw py::type_error("cannot pass a value of type " + std::string(py::str(value.get_type())) + " to the library");
}

py::object fromVariant(const Variant& value) {
    switch (value.type()) {
        case VarType::Empty:
        case VarType::Null: return py::none();
        case VarType::Boolean: return py::bool_(value.asBool());
        case VarType::Integer: return py::int_(value.asInt16());
        case VarType::Long: return py::int_(value.asInt32());
        case VarType::LongLong: return py::int_(value.asInt64());
        case VarType::Double: return py::float_(value.asDouble());
        case VarType::Currency: return py::float_(static_cast<double>(value.asCurrency().scaled) / 10000.0);
        case VarType::Date: return py::float_(value.asDate().serial);
        case VarType::String: return py::str(value.asString());
        case VarType::Object:
            if (!value.asObject()) return py::none();
            return py::cast(Object(value.asObject()));
        case VarType::Array: {
            py::list items;
            for (const auto& item : value.asArray()->items) items.append(fromVariant(item));
            return items;
        }
        case VarType::Error: return py::int_(static_cast<uint32_t>(value.asError()));
        case VarType::Any: return py::none();
    }
    return py::none();
}

const com::MemberInfo* memberNamed(const com::Dispatch& object, const std::string& name, MemberKind kind) {
    com::DISPID id = object.GetIDsOfNames(name);
    return object.dispatchTable().find(id, kind);
}

// Positional arguments, then keyword arguments placed by parameter name (letter case ignored).
std::vector<Variant> argumentsFor(const com::MemberInfo& member, const py::args& args, const py::kwargs& kwargs) {
    std::vector<Variant> values;
    for (const auto& arg : args) values.push_back(toVariant(arg));
    for (const auto& [key, value] : kwargs) {
        const std::string wanted = com::upperCase(key.cast<std::string>());
        size_t slot = member.params.size();
        for (size_t i = 0; i < member.params.size(); ++i) {
            if (com::upperCase(member.params[i].name) == wanted) slot = i;
        }
        if (slot == member.params.size()) {
            throw py::type_error(member.name + "() got an unexpected keyword argument '" + key.cast<std::string>() + "'");
        }
        if (slot < args.size()) throw py::type_error(member.name + "() got multiple values for '" + key.cast<std::string>() + "'");
        if (values.size() <= slot) values.resize(slot + 1, Variant::missing());
        values[slot] = toVariant(value);
    }
    return values;
}

py::object invoke(const Object& self, const std::string& name, MemberKind kind, const py::args& args,
                  const py::kwargs& kwargs) {
    const com::MemberInfo* member = memberNamed(*self.dispatch(), name, kind);
    if (!member) throw com::Error(com::hr::kDispMemberNotFound, "Member not found: " + name);
    std::vector<Variant> values = argumentsFor(*member, args, kwargs);
    Variant result;
    {
        // The library touches no Python object while a member runs (a failure log set from
        // Python takes the lock back itself), so other threads run meanwhile.
        const std::shared_ptr<com::Dispatch> target = self.dispatch();  // kept alive without the lock
        py::gil_scoped_release released;
        result = target->Invoke(member->dispid, kind, values);
    }
    return fromVariant(result);
}

// A method (or parameterised property) bound to its object, called later with arguments.
class BoundMember {
public:
    BoundMember(Object object, std::string name, MemberKind kind)
        : object_(std::move(object)), name_(std::move(name)), kind_(kind) {}
    py::object call(const py::args& args, const py::kwargs& kwargs) const {
        return invoke(object_, name_, kind_, args, kwargs);
    }
    // What help() shows: the member's entry of the API reference.
    std::string doc() const {
        return server::memberHelpOfInterface(object_.dispatch()->dispatchTable().interfaceName(), name_);
    }

private:
    Object object_;
    std::string name_;
    MemberKind kind_;
};

py::object getAttribute(const Object& self, const std::string& name) {
    const auto& object = *self.dispatch();
    com::DISPID id;
    try {
        id = object.GetIDsOfNames(name);
    } catch (const com::Error&) {
        throw py::attribute_error("'" + object.dispatchTable().interfaceName() + "' object has no member '" + name + "'");
    }
    const auto* getter = object.dispatchTable().find(id, MemberKind::PropertyGet);
    if (getter && getter->params.empty()) return invoke(self, name, MemberKind::PropertyGet, py::args(), py::kwargs());
    if (object.dispatchTable().find(id, MemberKind::Method)) return py::cast(BoundMember(self, name, MemberKind::Method));
    if (getter) return py::cast(BoundMember(self, name, MemberKind::PropertyGet));
    throw py::attribute_error("member '" + name + "' cannot be read");
}

void setAttribute(const Object& self, const std::string& name, const py::object& value) {
    const auto& object = *self.dispatch();
    com::DISPID id = object.GetIDsOfNames(name);
    Variant v = toVariant(value);
    bool isObject = v.type() == VarType::Object || value.is_none();
    MemberKind kind = MemberKind::PropertyLet;
    if (object.dispatchTable().find(id, MemberKind::PropertySet) &&
        (isObject || !object.dispatchTable().find(id, MemberKind::PropertyLet))) {
        kind = MemberKind::PropertySet;
        if (value.is_none()) v = Variant(com::ObjectPtr());
    }
    std::vector<Variant> args{v};
    const std::shared_ptr<com::Dispatch> target = self.dispatch();
    py::gil_scoped_release released;
    target->Invoke(id, kind, args);
}

std::vector<std::string> memberNames(const Object& self) {
    std::vector<std::string> names;
    for (const auto& member : self.dispatch()->dispatchTable().members()) {
        if (names.empty() || names.back() != member.name) names.push_back(member.name);
    }
    return names;
}

// A Python callable kept by the library's failure log. The log may run on a thread without the
// interpreter lock, and may be dropped when the thread ends, even after the interpreter finished.
class PythonFailureLog {
public:
    explicit PythonFailureLog(py::function log) : log_(log.release().ptr()) {}
    PythonFailureLog(const PythonFailureLog&) = delete;
    PythonFailureLog& operator=(const PythonFailureLog&) = delete;
    ~PythonFailureLog() {
        if (!Py_IsInitialized()) return;
        py::gil_scoped_acquire held;
        Py_DECREF(log_);
    }
    void operator()(const std::string& reason) const {
        py::gil_scoped_acquire held;
        try {
            py::handle log{log_};
            log(reason);
        } catch (py::error_already_set& error) {
            // A failing log must not turn the member's answer into an exception.
            error.discard_as_unraisable("tavlora failure log");
        }
    }

private:
    PyObject* log_;
};

void setFailureLog(const py::object& log) {
    if (log.is_none()) {
        tavlora::setFailureLog(nullptr);
        return;
    }
    if (!PyCallable_Check(log.ptr())) throw py::type_error("set_failure_log() takes a callable or None");
    auto holder = std::make_shared<PythonFailureLog>(log.cast<py::function>());
    tavlora::setFailureLog([holder](const std::string& reason) { (*holder)(reason); });
}

}  // namespace

}  // namespace tavlora::python

PYBIND11_MODULE(tavlora, m) {
    using namespace tavlora;
    using tavlora::python::Object;
    m.doc() = "Template-based spreadsheet reports: objects reached by name, as an automation client does.";

    // The class is defined in the module's own name, so tracebacks show tavlora.Error.
    py::dict scope;
    scope["__name__"] = "tavlora";
    scope["__builtins__"] = py::module_::import("builtins");
    py::exec(R"(
class Error(Exception):
    """A failed call of the library; hresult carries its HRESULT (unsigned)."""
    def __init__(self, message, hresult):
        super().__init__(message)
        self.hresult = hresult
)",
             scope);
    m.attr("Error") = scope["Error"];
    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error) std::rethrow_exception(error);
        } catch (const com::Error& e) {
            py::object type = py::module_::import("tavlora").attr("Error");
            py::tuple args = py::make_tuple(std::string(e.what()), static_cast<uint32_t>(e.code()));
            PyErr_SetObject(type.ptr(), args.ptr());
        }
    });

    py::class_<python::BoundMember>(m, "BoundMember")
        .def("__call__", &python::BoundMember::call)
        .def_property_readonly("__doc__", &python::BoundMember::doc);
    py::class_<Object>(m, "Object")
        .def("__getattr__", &python::getAttribute)
        .def("__setattr__", &python::setAttribute)
        .def("__dir__", &python::memberNames)
        .def("__eq__", [](const Object& a, const Object& b) { return a.dispatch() == b.dispatch(); })
        .def("__repr__", [](const Object& self) {
            return "<tavlora " + self.dispatch()->dispatchTable().interfaceName() + " object>";
        });

    for (const auto& constant : kNamedConstants) m.attr(py::str(std::string(constant.name))) = constant.value;

    m.def("last_failure", &tavlora::lastFailure,
          "Why the last member that answered False (or 0) on this thread failed: the member, each cause "
          "and the host's message; '' when none. A later success does not clear it.");
    m.def("clear_last_failure", &tavlora::clearLastFailure, "Forgets this thread's last failure reason.");
    m.def("set_failure_log", &python::setFailureLog, py::arg("log"),
          "Calls log(reason) for every failure a member traps on this thread from now on; None stops it.");
    m.def("log_failures_to_stderr", &tavlora::logFailuresToStandardError,
          "Writes the reason of every failure a member traps on this thread to standard error.");

    m.def(
        "CreateObject",
        [](const std::string& progId) { return Object(server::requireClass(progId).create()); },
        py::arg("prog_id"), "Creates an object of the library by ProgID or class identifier.");
    m.def(
        "SqliteRecordset",
        [](const std::string& path, const std::string& sql) { return Object(server::openSqliteRecordset(path, sql)); },
        py::arg("database"), py::arg("sql"), py::call_guard<py::gil_scoped_release>(), "A forward-only recordset over an SQLite query.");
    m.def(
        "OdbcRecordset",
        [](const std::string& connection, const std::string& sql) {
            return Object(server::openOdbcRecordset(connection, sql));
        },
        py::arg("connection"), py::arg("sql"), py::call_guard<py::gil_scoped_release>(),
        "A forward-only recordset over a query through an ODBC driver (connection: an ODBC connection string).");
    // Rows from Python itself; the class only groups its two constructors.
    struct RecordsetFactory {};
    py::class_<RecordsetFactory>(m, "Recordset", "Recordsets over Python's own data, read a block at a time.")
        .def_static(
            "from_cursor",
            [](const py::object& cursor, size_t blockRows) { return Object(python::recordsetFromCursor(cursor, blockRows)); },
            py::arg("cursor"), py::arg("block_rows") = 1000,
            "A recordset over a DB-API cursor after execute(): field names from cursor.description, rows by "
            "cursor.fetchmany(block_rows) as the report needs them. None is Null.")
        .def_static(
            "from_rows",
            [](const py::object& fields, const py::object& rows, size_t blockRows) {
                return Object(python::recordsetFromRows(fields, rows, blockRows));
            },
            py::arg("fields"), py::arg("rows"), py::arg("block_rows") = 1000,
            "A recordset over rows of any iterable, each a sequence with one value per field or a mapping from "
            "field name to value, taken block_rows at a time. None is Null.");
    m.def(
        "MemoryRecordset",
        [](std::vector<std::string> fields, const py::iterable& rows) {
            std::vector<std::vector<com::Variant>> values;
            for (const auto& row : rows) {
                std::vector<com::Variant> record;
                // None in a row is a missing value, as an SQL NULL is: Null, not Empty.
                for (const auto& item : row)
                    record.push_back(item.is_none() ? com::Variant::null() : python::toVariant(item));
                values.push_back(std::move(record));
            }
            return Object(server::makeMemoryRecordset(std::move(fields), std::move(values)));
        },
        py::arg("fields"), py::arg("rows"), "A recordset over rows held by the caller.");
    m.def(
        "XmlDocument", [](const std::string& path) { return Object(server::loadXmlDocument(path)); }, py::arg("path"),
        py::call_guard<py::gil_scoped_release>(),
        "Loads an XML document; its members (documentElement, selectNodes, ...) are reached by name.");
}
