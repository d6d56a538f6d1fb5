// Reading input files with bounds (regular files only, size cap), sniffing them, and the input context
// the readers share.
#include "crypto/errors_internal.h"
#include "crypto/input_internal.h"
#include "crypto/jks_format_internal.h"
#include "crypto/refusal_internal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace kx {

void scan_pem(const unsigned char* bytes, std::size_t len, std::vector<std::string>& labels,
              std::vector<std::size_t>& starts) {
    static constexpr char kBegin[] = "-----BEGIN ";
    const char* data = reinterpret_cast<const char*>(bytes);
    const char* end = data + len;
    const char* p = data;
    while (p < end) {
        const void* hit = memmem(p, end - p, kBegin, sizeof kBegin - 1);
        if (!hit) break;
        const char* label = static_cast<const char*>(hit) + sizeof kBegin - 1;
        const char* line_end = static_cast<const char*>(memchr(label, '\n', end - label));
        if (!line_end) line_end = end;
        const void* close = memmem(label, line_end - label, "-----", 5);
        if (close) {
            labels.emplace_back(label, static_cast<const char*>(close));
            starts.push_back(static_cast<const char*>(hit) - data);
        }
        p = line_end;
    }
}

namespace {

constexpr std::size_t kHeadBytes = 4096;
constexpr std::size_t kReadFailed = static_cast<std::size_t>(-1);

// Fills buf with up to len bytes; fewer only at the end of the file.
std::size_t read_up_to(int fd, unsigned char* buf, std::size_t len) {
    std::size_t got = 0;
    while (got < len) {
        ssize_t n = ::read(fd, buf + got, len - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return kReadFailed;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// Every DER input is one SEQUENCE, so it starts with 0x30; PEM is text, which holds no zero byte; a Java
// key store starts with its magic. A head that is none of these (a run of zeros, random bytes) cannot
// become any reader's input, however long the file. Text with a PEM block somewhere beyond this look
// keeps its chance: it has no zero byte.
bool head_may_be_input(const unsigned char* head, std::size_t len) {
    if (len == 0 || head[0] == 0x30 || kx::jks::has_magic(head, len)) return true;
    if (!std::memchr(head, 0, len)) return true;
    static constexpr char kBegin[] = "-----BEGIN ";
    return memmem(head, len, kBegin, sizeof kBegin - 1) != nullptr;
}

// Reads a whole regular file, refusing anything else before reading a byte of it.
bool read_bounded(const char* path, std::vector<unsigned char>& out, KxReadError& why) {
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int open_errno = errno;
        // Some kinds of file cannot even be opened (a socket): say what they are rather than why open failed.
        struct stat st {};
        if (::stat(path, &st) == 0 && !S_ISREG(st.st_mode))
            why = {KxReadFailure::NotRegularFile, {}};
        else
            why = {KxReadFailure::Unreadable, std::strerror(open_errno)};
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        why = {KxReadFailure::Unreadable, std::strerror(errno)};
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = {KxReadFailure::NotRegularFile, {}};
        ::close(fd);
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > KX_MAX_INPUT_BYTES) {
        why = {KxReadFailure::TooLarge, {}};
        ::close(fd);
        return false;
    }
    // The head decides whether the rest is worth reading (and holding in memory) at all.
    unsigned char head[kHeadBytes];
    const std::size_t head_len = read_up_to(fd, head, std::min<std::size_t>(sizeof head, st.st_size));
    if (head_len == kReadFailed) {
        why = {KxReadFailure::Unreadable, std::strerror(errno)};
        ::close(fd);
        return false;
    }
    if (!head_may_be_input(head, head_len)) {
        // The head is enough to tell what such a file is (an OpenPGP key, a PuTTY key ...).
        why = kx::refusal_of_bytes(head, head_len).value_or(KxReadError{KxReadFailure::NotRecognised, {}});
        ::close(fd);
        return false;
    }
    try {
        out.resize(std::max<std::size_t>(head_len, static_cast<std::size_t>(st.st_size)));
    } catch (const std::bad_alloc&) {
        why = {KxReadFailure::OutOfMemory, {}};
        ::close(fd);
        return false;
    }
    if (head_len > 0) std::memcpy(out.data(), head, head_len);
    std::size_t got = head_len;
    while (got < out.size()) {
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = {KxReadFailure::Unreadable, std::strerror(errno)};
            ::close(fd);
            return false;
        }
        if (n == 0) break;  // the file shrank while we read it: take what is there
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    ::close(fd);
    return true;
}

std::shared_ptr<InputFile> load(const char* path, KxReadError& why) {
    // The labels of a file packed with armour lines can take more memory than the file itself.
    try {
        auto in = std::make_shared<InputFile>();
        in->path = path;
        if (!read_bounded(path, in->bytes, why)) return nullptr;
        scan_pem(in->bytes.data(), in->bytes.size(), in->pem_labels, in->pem_starts);
        in->der_shape = sniff_der(in->bytes.data(), in->bytes.size());
        return in;
    } catch (const std::bad_alloc&) {
        why = {KxReadFailure::OutOfMemory, {}};
        return nullptr;
    }
}

}  // namespace

bool InputFile::has_label(std::initializer_list<const char*> labels) const {
    for (const auto& seen : pem_labels)
        for (const char* want : labels)
            if (seen == want) return true;
    return false;
}

const InputFile* open_input(KxInput& in) {
    InputState& st = in.state();
    if (!st.file && st.bytes_taken) st.file = load(st.path.c_str(), st.unreadable);
    if (!st.file) in.refuse(st.unreadable);
    return st.file.get();
}

std::nullptr_t refuse(KxInput& in, KxReadFailure kind, std::string detail) {
    in.refuse({kind, std::move(detail)});
    return nullptr;
}

}  // namespace kx

namespace {
bool telling(KxReadFailure kind) { return kind != KxReadFailure::None && kind != KxReadFailure::NotRecognised; }
}  // namespace

KxInput::KxInput(const char* path, PassProvider passSource) : state_(std::make_unique<kx::InputState>()) {
    state_->source = std::move(passSource);
    state_->allocation_mark = kx::allocation_failures();
    if (!path) {
        state_->unreadable = {KxReadFailure::Unreadable, {}};
        return;
    }
    state_->path = path;
    state_->file = kx::load(path, state_->unreadable);
}

KxInput::~KxInput() = default;
KxInput::KxInput(KxInput&&) noexcept = default;
KxInput& KxInput::operator=(KxInput&&) noexcept = default;

const std::string& KxInput::path() const { return state_->path; }
const KxReadError& KxInput::refusal() const { return state_->refusal; }
kx::InputState& KxInput::state() const { return *state_; }

void KxInput::refuse(KxReadError why) {
    if (why.kind == KxReadFailure::NotRecognised) {
        if (kx::allocation_failures() != state_->allocation_mark)
            why = {KxReadFailure::OutOfMemory, {}};
        else if (telling(state_->refusal.kind))
            return;
    }
    state_->refusal = std::move(why);
}

void KxInput::accept() { state_->refusal = {}; }

void KxInput::restart() {
    state_->refusal = {};
    state_->allocation_mark = kx::allocation_failures();
}

std::optional<std::vector<unsigned char>> ASN1_read_der(KxInput& in) {
    kx::InputState& st = in.state();
    if (st.file) {
        // Later readers of this input read the file again; usually none comes.
        st.bytes_taken = true;
        std::vector<unsigned char> bytes = std::move(st.file->bytes);
        st.file.reset();
        return bytes;
    }
    if (!st.bytes_taken) {
        in.refuse(st.unreadable);
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    KxReadError why;
    if (!kx::read_bounded(st.path.c_str(), bytes, why)) {
        in.refuse(why);
        return std::nullopt;
    }
    return bytes;
}
