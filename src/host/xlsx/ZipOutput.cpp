#include "host/xlsx/ZipOutput.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "base/AtomicFile.h"
#include "com/Error.h"
#include "host/xlsx/ChunkedDeflate.h"
#include "host/xlsx/ContentTypes.h"
#include "host/xlsx/DeflateWorkers.h"
#include "host/xlsx/ZipFileSink.h"

namespace tavlora::host::xlsx {

struct ZipOutput::Failure {
    std::exception_ptr error;  // the first error a producer raised
};

namespace {

class TextProducer : public PartProducer {
public:
    explicit TextProducer(std::string text) : text_(std::move(text)) {}
    bool next(std::string& out) override {
        out += text_;
        return false;
    }

private:
    std::string text_;
};

// A libzip source whose data is already deflated: its stat tells libzip the method, the CRC and
// both sizes, so libzip copies the bytes as they are instead of deflating them itself. The data
// is made when libzip first asks about the entry and dropped once the entry is written; libzip
// owns the source once added.
struct DeflatedSource {
    std::function<DeflatedPart()> make;  // empty when `chunks` view bytes the caller keeps alive
    std::shared_ptr<ZipOutput::Failure> failure;
    DeflatedPart made;
    std::vector<std::string_view> chunks;  // the deflated data, in order
    uint32_t crc = 0;
    uint64_t size = 0;
    uint64_t packedSize = 0;
    bool known = false;  // crc and sizes are known
    bool ready = false;  // the data is in hand
    size_t chunk = 0;    // read position: chunk, and offset in it
    size_t offset = 0;
    zip_error_t error;
    time_t mtime = 0;

    void prepare() {
        if (ready) return;
        made = make();
        chunks.assign(made.pieces.begin(), made.pieces.end());
        crc = made.crc;
        size = made.size;
        packedSize = made.packedSize();
        known = ready = true;
    }

    void release() {
        if (!make) return;
        made = DeflatedPart();
        chunks.clear();
        ready = false;
    }

    zip_int64_t read(char* out, zip_uint64_t length) {
        zip_uint64_t written = 0;
        while (written < length && chunk < chunks.size()) {
            std::string_view from = chunks[chunk];
            size_t n = static_cast<size_t>(std::min<zip_uint64_t>(length - written, from.size() - offset));
            std::memcpy(out + written, from.data() + offset, n);
            written += n;
            offset += n;
            if (offset == from.size()) {
                ++chunk;
                offset = 0;
            }
        }
        return static_cast<zip_int64_t>(written);
    }

    void describe(zip_stat_t& st) {
        if (!known) prepare();
        zip_stat_init(&st);
        st.size = size;
        st.comp_size = packedSize;
        st.comp_method = ZIP_CM_DEFLATE;
        st.encryption_method = ZIP_EM_NONE;
        st.crc = crc;
        st.mtime = mtime;
        st.valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD |
                    ZIP_STAT_CRC | ZIP_STAT_MTIME;
    }

    static zip_int64_t callback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        auto* self = static_cast<DeflatedSource*>(userdata);
        try {
            switch (command) {
                case ZIP_SOURCE_OPEN:
                    self->prepare();
                    self->chunk = 0;
                    self->offset = 0;
                    return 0;
                case ZIP_SOURCE_READ:
                    return self->read(static_cast<char*>(data), length);
                case ZIP_SOURCE_CLOSE:
                    self->release();
                    return 0;
                case ZIP_SOURCE_STAT: {
                    auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &self->error);
                    if (!st) return -1;
                    self->describe(*st);
                    return sizeof(zip_stat_t);
                }
                case ZIP_SOURCE_ERROR:
                    return zip_error_to_data(&self->error, data, length);
                case ZIP_SOURCE_FREE:
                    zip_error_fini(&self->error);
                    delete self;
                    return 0;
                case ZIP_SOURCE_SUPPORTS:
                    return ZIP_SOURCE_SUPPORTS_READABLE;
                default:
                    zip_error_set(&self->error, ZIP_ER_OPNOTSUPP, 0);
                    return -1;
            }
        } catch (...) {
            // No exception may cross libzip's C frames: keep it and report a plain failure.
            if (!self->failure->error) self->failure->error = std::current_exception();
            zip_error_set(&self->error, ZIP_ER_INTERNAL, 0);
            return -1;
        }
    }
};

bool isPacked(std::string_view name) {
    std::string ext = extensionOf(name);
    return ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "gif" || ext == "zip" || ext == "mp3" ||
           ext == "mp4" || ext == "docx" || ext == "xlsx" || ext == "pptx";
}

}  // namespace

std::unique_ptr<PartProducer> textProducer(std::string text) { return std::make_unique<TextProducer>(std::move(text)); }

ZipOutput::ZipOutput(std::string targetPath, const base::FileSync& sync)
    : target_(std::move(targetPath)), failure_(std::make_shared<Failure>()) {
    try {
        file_ = std::make_unique<base::AtomicFile>(target_, sync);
    } catch (const base::FileError& error) {
        fail(error.what());
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* sink = fileSink(file_->descriptor(), &error);
    if (sink) archive_ = zip_open_from_source(sink, ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive_) {
        if (sink) zip_source_free(sink);
        std::string reason = zip_error_strerror(&error);
        zip_error_fini(&error);
        fail(reason);
    }
    zip_error_fini(&error);
}

DeflateSettings ZipOutput::deflateSettings() {
    DeflateSettings settings;
    if (!deflaters_) deflaters_ = std::make_unique<LocalDeflaters>();
    if (!workers_) workers_ = std::make_unique<DeflateWorkers>(settings.threads);
    settings.local = deflaters_.get();
    settings.workers = workers_.get();
    return settings;
}

ZipOutput::~ZipOutput() {
    if (archive_) zip_discard(archive_);
}

void ZipOutput::fail(const std::string& reason) { com::throwHostError("Cannot save '" + target_ + "': " + reason); }

void ZipOutput::add(const std::string& name, void* sourcePointer, bool stored) {
    auto* source = static_cast<zip_source_t*>(sourcePointer);
    zip_int64_t index = zip_file_add(archive_, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        fail("cannot add part '" + name + "': " + zip_strerror(archive_));
    }
    // Deflated sources keep the default method: libzip then takes their data as deflated.
    if (stored) zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
}

void ZipOutput::addPrepared(const std::string& name, void* statePointer) {
    auto* state = static_cast<DeflatedSource*>(statePointer);
    state->failure = failure_;
    state->mtime = std::time(nullptr);
    zip_error_init(&state->error);
    zip_source_t* source = zip_source_function(archive_, &DeflatedSource::callback, state);
    if (!source) {
        zip_error_fini(&state->error);
        delete state;
        fail("out of memory");
    }
    add(name, source, false);
}

void ZipOutput::addBytes(const std::string& name, std::string_view bytes) {
    if (isPacked(name)) {
        zip_source_t* source = zip_source_buffer(archive_, bytes.data(), bytes.size(), 0);
        if (!source) fail("out of memory");
        add(name, source, true);
        return;
    }
    auto* state = new DeflatedSource;
    state->make = [bytes, settings = deflateSettings()] { return deflateInPieces(bytes, settings); };
    addPrepared(name, state);
}

void ZipOutput::addText(const std::string& name, std::string text) {
    auto* state = new DeflatedSource;
    state->make = [text = std::move(text), settings = deflateSettings()] { return deflateInPieces(text, settings); };
    addPrepared(name, state);
}

void ZipOutput::addStream(const std::string& name, PartFactory factory) {
    auto* state = new DeflatedSource;
    state->make = [factory = std::move(factory), settings = deflateSettings()] {
        std::unique_ptr<PartProducer> producer = factory();
        return deflateInPieces(*producer, settings);
    };
    addPrepared(name, state);
}

void ZipOutput::addDeflated(const std::string& name, std::string_view deflated, uint32_t crc, uint64_t size) {
    auto* state = new DeflatedSource;
    state->chunks = {deflated};
    state->crc = crc;
    state->size = size;
    state->packedSize = deflated.size();
    state->known = state->ready = true;
    addPrepared(name, state);
}

void ZipOutput::commit() {
    if (zip_get_num_entries(archive_, 0) == 0) fail("the archive has no parts");
    if (zip_close(archive_) != 0) {
        std::string reason = zip_strerror(archive_);
        zip_discard(archive_);
        archive_ = nullptr;
        file_.reset();  // removes the temporary file
        if (failure_->error) std::rethrow_exception(failure_->error);
        fail(reason);
    }
    archive_ = nullptr;
    try {
        file_->commit();
    } catch (const base::FileError& error) {
        file_.reset();
        fail(error.what());
    }
}

}  // namespace tavlora::host::xlsx
