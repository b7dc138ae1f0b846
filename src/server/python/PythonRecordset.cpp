#include "server/python/PythonRecordset.h"

#include <string>
#include <vector>

#include "base/Utf8.h"
#include "data/DataErrors.h"
#include "data/Recordset.h"
#include "data/SqlValues.h"

namespace py = pybind11;

namespace tavlora::python {

namespace {

using com::Variant;

// The library may drop a recordset on a thread without the interpreter lock, even after the
// interpreter finished; the Python objects it holds are released under the lock, or left.
class HeldObject {
public:
    explicit HeldObject(py::object object) : object_(object.release().ptr()) {}
    HeldObject(const HeldObject&) = delete;
    HeldObject& operator=(const HeldObject&) = delete;
    ~HeldObject() {
        if (!object_ || !Py_IsInitialized()) return;
        py::gil_scoped_acquire held;
        Py_DECREF(object_);
    }
    py::handle get() const { return object_; }

private:
    PyObject* object_;
};

// Python values as an SQL source gives them.
class ValueConverter {
public:
    ValueConverter()
        : datetime_(py::module_::import("datetime")),
          decimal_(py::module_::import("decimal").attr("Decimal")) {}

    Variant operator()(const py::handle& value) const {
        if (value.is_none()) return Variant::null();
        if (py::isinstance<py::bool_>(value)) return Variant(value.cast<bool>());
        if (py::isinstance<py::int_>(value)) return integer(value);
        if (py::isinstance<py::float_>(value)) return Variant(value.cast<double>());
        if (py::isinstance<py::str>(value)) return Variant(value.cast<std::string>());
        if (py::isinstance(value, decimal_)) return data::decimalValue(py::str(value).cast<std::string>());
        if (py::isinstance(value, datetime_.attr("datetime"))) return dateTime(value, true, true);
        if (py::isinstance(value, datetime_.attr("date"))) return dateTime(value, true, false);
        if (py::isinstance(value, datetime_.attr("time"))) return dateTime(value, false, true);
        if (py::isinstance<py::bytes>(value) || py::isinstance<py::bytearray>(value) ||
            py::isinstance<py::memoryview>(value)) {
            // Binary as the SQLite recordset gives it: its bytes read as UTF-8.
            auto bytes = py::reinterpret_steal<py::bytes>(PyBytes_FromObject(value.ptr()));
            if (!bytes) throw py::error_already_set();
            return Variant(base::toValidUtf8(bytes.cast<std::string>()));
        }
        // Anything else a driver hands over (UUID, intervals, ...) reads as its text.
        return Variant(py::str(value).cast<std::string>());
    }

private:
    static Variant integer(const py::handle& value) {
        int overflow = 0;
        const long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
        if (overflow == 0) return data::integerValue(number);
        return data::decimalValue(py::str(value).cast<std::string>());
    }

    static Variant dateTime(const py::handle& value, bool hasDate, bool hasTime) {
        data::SqlDateTime parts{1899, 12, 30};
        if (hasDate) {
            parts.year = value.attr("year").cast<int64_t>();
            parts.month = value.attr("month").cast<unsigned>();
            parts.day = value.attr("day").cast<unsigned>();
        }
        if (hasTime) {
            parts.hour = value.attr("hour").cast<unsigned>();
            parts.minute = value.attr("minute").cast<unsigned>();
            parts.second = value.attr("second").cast<unsigned>();
            parts.nanosecond = value.attr("microsecond").cast<uint32_t>() * 1000;
        }
        return data::dateTimeValue(parts);
    }

    py::module_ datetime_;
    py::object decimal_;
};

// Rows come from `nextBlock` (a Python callable answering a list of rows, empty at the end).
class PythonRecordset final : public data::Recordset {
public:
    PythonRecordset(std::vector<std::string> names, py::object nextBlock)
        : data::Recordset(std::move(names)), nextBlock_(std::move(nextBlock)) {}

    bool Eof() const override { return position_ >= rows_.size(); }

    void MoveNext() override {
        if (Eof()) data::throwNoCurrentRecord();
        if (++position_ < rows_.size()) return;
        fetch();
    }

    // Takes the next block from Python (under the interpreter lock); a Python failure becomes
    // com::Error with its message, and the cursor stands at EOF.
    void fetch() {
        rows_.clear();
        position_ = 0;
        if (finished_) return;
        py::gil_scoped_acquire held;
        try {
            py::object block = py::reinterpret_borrow<py::object>(nextBlock_.get())();
            const ValueConverter convert;
            for (const auto& row : block) rows_.push_back(convertRow(row, convert));
            if (rows_.empty()) finished_ = true;
        } catch (py::error_already_set& error) {
            fail("reading the next rows from Python failed: " + std::string(error.what()));
        } catch (const py::cast_error& error) {
            fail("reading the next rows from Python failed: " + std::string(error.what()));
        } catch (const com::Error&) {
            rows_.clear();
            finished_ = true;
            throw;
        }
    }

private:
    [[noreturn]] void fail(const std::string& message) {
        rows_.clear();
        finished_ = true;
        throw com::Error(data::hr::kQueryFailed, message);
    }

    std::vector<Variant> convertRow(const py::handle& row, const ValueConverter& convert) {
        ++rowNumber_;
        std::vector<Variant> values;
        values.reserve(static_cast<size_t>(FieldCount()));
        if (PyMapping_Check(row.ptr()) && !PySequence_Check(row.ptr())) {
            for (int32_t i = 0; i < FieldCount(); ++i) {
                const std::string& name = FieldName(i);
                if (!PyMapping_HasKeyString(row.ptr(), name.c_str()))
                    fail("row " + std::to_string(rowNumber_) + " has no value for the field '" + name + "'");
                values.push_back(convert(row[py::str(name)]));
            }
            return values;
        }
        if (!PySequence_Check(row.ptr()) || py::isinstance<py::str>(row))
            fail("row " + std::to_string(rowNumber_) + " is neither a sequence of values nor a mapping");
        const auto items = py::reinterpret_borrow<py::sequence>(row);
        if (items.size() != static_cast<size_t>(FieldCount()))
            fail("row " + std::to_string(rowNumber_) + " has " + std::to_string(items.size()) + " values for " +
                 std::to_string(FieldCount()) + " fields");
        for (const auto& item : items) values.push_back(convert(item));
        return values;
    }

    Variant currentValue(int32_t index) const override { return rows_[position_][static_cast<size_t>(index)]; }

    HeldObject nextBlock_;
    std::vector<std::vector<Variant>> rows_;
    size_t position_ = 0;
    size_t rowNumber_ = 0;
    bool finished_ = false;
};

std::shared_ptr<com::Dispatch> openPythonRecordset(std::vector<std::string> names, py::object nextBlock) {
    auto recordset = std::make_shared<PythonRecordset>(std::move(names), std::move(nextBlock));
    recordset->fetch();  // stand on the first row, as an opened recordset does
    return recordset;
}

std::vector<std::string> fieldNames(const py::handle& fields) {
    std::vector<std::string> names;
    for (const auto& field : fields) names.push_back(py::str(field).cast<std::string>());
    return names;
}

}  // namespace

std::shared_ptr<com::Dispatch> recordsetFromCursor(const py::object& cursor, size_t blockRows) {
    if (blockRows == 0) throw py::value_error("block_rows must be at least 1");
    py::object description = cursor.attr("description");
    if (description.is_none())
        throw py::value_error("the cursor has no rows to give: call execute() with a query that returns rows first");
    std::vector<std::string> names;
    for (const auto& column : description) names.push_back(py::str(column[py::int_(0)]).cast<std::string>());
    py::object fetchmany = cursor.attr("fetchmany");
    py::object nextBlock = py::cpp_function([fetchmany, blockRows]() { return fetchmany(blockRows); });
    return openPythonRecordset(std::move(names), std::move(nextBlock));
}

std::shared_ptr<com::Dispatch> recordsetFromRows(const py::object& fields, const py::object& rows, size_t blockRows) {
    if (blockRows == 0) throw py::value_error("block_rows must be at least 1");
    if (py::isinstance<py::str>(fields)) throw py::type_error("fields must be a sequence of field names, not one text");
    std::vector<std::string> names = fieldNames(fields);
    py::iterator iterator = py::iter(rows);
    py::object nextBlock = py::cpp_function([iterator, blockRows]() mutable {
        py::list block;
        while (block.size() < blockRows && iterator != py::iterator::sentinel()) {
            block.append(*iterator);
            ++iterator;
        }
        return block;
    });
    return openPythonRecordset(std::move(names), std::move(nextBlock));
}

}  // namespace tavlora::python
