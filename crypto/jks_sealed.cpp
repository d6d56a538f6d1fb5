// Skipping a Java-serialised object: a JCEKS secret-key entry is a sealed object written by
// ObjectOutputStream straight into the store, with no length in front, so the only way past it is to
// walk its grammar (class descriptions, field values, arrays, strings, back references). Nothing of it
// is kept but each class description's field types, which later values and back references need.
// Nesting is bounded, and every element takes at least one byte, so the walk ends quickly on any input.
#include "crypto/jks_format_internal.h"

#include <memory>

namespace kx::jks {
namespace {

constexpr std::uint32_t kStreamMagic = 0xACED;
constexpr std::uint32_t kStreamVersion = 5;

enum : std::uint32_t {
    TC_NULL = 0x70,
    TC_REFERENCE = 0x71,
    TC_CLASSDESC = 0x72,
    TC_OBJECT = 0x73,
    TC_STRING = 0x74,
    TC_ARRAY = 0x75,
    TC_CLASS = 0x76,
    TC_BLOCKDATA = 0x77,
    TC_ENDBLOCKDATA = 0x78,
    TC_RESET = 0x79,
    TC_BLOCKDATALONG = 0x7A,
    TC_LONGSTRING = 0x7C,
    TC_PROXYCLASSDESC = 0x7D,
    TC_ENUM = 0x7E,
};
constexpr std::uint32_t kBaseHandle = 0x7E0000;

// Class description flags.
constexpr std::uint32_t SC_WRITE_METHOD = 0x01;
constexpr std::uint32_t SC_SERIALIZABLE = 0x02;
constexpr std::uint32_t SC_EXTERNALIZABLE = 0x04;
constexpr std::uint32_t SC_BLOCK_DATA = 0x08;

constexpr int kMaxDepth = 32;  // nested objects, and classes in one hierarchy

struct ClassDesc {
    std::uint32_t flags = 0;
    std::string field_types;           // one type code per serialised field, in stream order
    char array_element = 0;            // for an array class ("[B" ...): its element's type code
    const ClassDesc* super = nullptr;  // null at the top
};

// The size in the stream of a primitive of that type code; 0 for an object or an array.
std::size_t primitive_size(char code) {
    switch (code) {
    case 'B':
    case 'Z': return 1;
    case 'C':
    case 'S': return 2;
    case 'I':
    case 'F': return 4;
    case 'J':
    case 'D': return 8;
    default: return 0;
    }
}
bool valid_type(char code) { return primitive_size(code) != 0 || code == 'L' || code == '['; }

class Skipper {
public:
    explicit Skipper(Cursor& in) : in_(in) {}

    bool stream() {
        std::uint32_t magic = 0, version = 0;
        return in_.u16(magic) && magic == kStreamMagic && in_.u16(version) && version == kStreamVersion && content(0);
    }

private:
    bool utf() {
        std::uint32_t n = 0;
        return in_.u16(n) && in_.skip(n);
    }
    bool utf(std::string& out) {
        std::uint32_t n = 0;
        if (!in_.u16(n) || n > in_.left()) return false;
        out.assign(reinterpret_cast<const char*>(in_.here()), n);
        return in_.skip(n);
    }

    // Every new object gets the next handle; only class descriptions need to be found again.
    void handle(const ClassDesc* desc = nullptr) { handles_.push_back(desc); }

    bool reference(const ClassDesc** desc) {
        std::uint32_t h = 0;
        if (!in_.u32(h) || h < kBaseHandle || h - kBaseHandle >= handles_.size()) return false;
        if (!desc) return true;
        *desc = handles_[h - kBaseHandle];
        return *desc != nullptr;  // a back reference where a class description must be, to something else
    }

    // A class description: new, a back reference to one, or null.
    bool class_desc(const ClassDesc*& out, int depth) {
        std::uint32_t tc = 0;
        return in_.u8(tc) && class_desc(tc, out, depth);
    }

    // The same, its type code `tc` read.
    bool class_desc(std::uint32_t tc, const ClassDesc*& out, int depth) {
        if (depth > kMaxDepth) return false;
        switch (tc) {
        case TC_NULL: out = nullptr; return true;
        case TC_REFERENCE: return reference(&out);
        case TC_CLASSDESC: {
            ClassDesc* desc = fresh();
            out = desc;
            std::string name;
            std::uint32_t count = 0;
            if (!utf(name) || !in_.skip(8)) return false;  // 8: the serial version
            handle(desc);
            if (name.size() >= 2 && name[0] == '[') desc->array_element = name[1];
            if (!in_.u8(desc->flags) || !in_.u16(count) || count > in_.left() / 3) return false;
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint32_t code = 0;
                if (!in_.u8(code) || !valid_type(static_cast<char>(code)) || !utf()) return false;
                desc->field_types.push_back(static_cast<char>(code));
                // An object field names its class.
                if (primitive_size(static_cast<char>(code)) == 0 && !content(depth + 1)) return false;
            }
            return annotation(depth) && class_desc(desc->super, depth + 1);
        }
        case TC_PROXYCLASSDESC: {
            ClassDesc* desc = fresh();
            out = desc;
            desc->flags = SC_SERIALIZABLE;
            handle(desc);
            std::uint32_t count = 0;
            if (!in_.length(count) || count > in_.left() / 2) return false;
            for (std::uint32_t i = 0; i < count; ++i)
                if (!utf()) return false;
            return annotation(depth) && class_desc(desc->super, depth + 1);
        }
        default: return false;
        }
    }

    ClassDesc* fresh() { return descs_.emplace_back(std::make_unique<ClassDesc>()).get(); }

    // Contents up to the end-of-block mark: block data and objects.
    bool annotation(int depth) {
        for (;;) {
            if (in_.left() == 0) return false;
            if (*in_.here() == TC_ENDBLOCKDATA) return in_.skip(1);
            if (!content(depth + 1)) return false;
        }
    }

    bool value(char code, int depth) {
        const std::size_t n = primitive_size(code);
        return n ? in_.skip(n) : content(depth + 1);
    }

    bool object_data(const ClassDesc& desc, int depth) {
        // The values go from the topmost class down.
        const ClassDesc* chain[kMaxDepth];
        int classes = 0;
        for (const ClassDesc* c = &desc; c; c = c->super) {
            if (classes == kMaxDepth) return false;  // also ends a hierarchy that refers back to itself
            chain[classes++] = c;
        }
        while (classes-- > 0) {
            const ClassDesc& c = *chain[classes];
            if (c.flags & SC_EXTERNALIZABLE) {
                if (!(c.flags & SC_BLOCK_DATA) || !annotation(depth)) return false;
                continue;
            }
            for (char code : c.field_types)
                if (!value(code, depth)) return false;
            if ((c.flags & SC_WRITE_METHOD) && !annotation(depth)) return false;
        }
        return true;
    }

    bool array(int depth) {
        const ClassDesc* desc = nullptr;
        std::uint32_t size = 0;
        if (!class_desc(desc, depth + 1) || !desc || !valid_type(desc->array_element)) return false;
        handle();
        if (!in_.length(size) || size > in_.left()) return false;
        const std::size_t n = primitive_size(desc->array_element);
        if (n) return size <= in_.left() / n && in_.skip(size * n);
        for (std::uint32_t i = 0; i < size; ++i)
            if (!content(depth + 1)) return false;
        return true;
    }

    // One element of the stream's contents.
    bool content(int depth) {
        std::uint32_t tc = 0;
        if (depth > kMaxDepth || !in_.u8(tc)) return false;
        const ClassDesc* desc = nullptr;
        switch (tc) {
        case TC_NULL: return true;
        case TC_REFERENCE: return reference(nullptr);
        case TC_STRING: handle(); return utf();
        case TC_LONGSTRING: {
            std::uint32_t high = 0, low = 0;
            handle();
            return in_.u32(high) && high == 0 && in_.u32(low) && in_.skip(low);
        }
        case TC_BLOCKDATA: {
            std::uint32_t n = 0;
            return in_.u8(n) && in_.skip(n);
        }
        case TC_BLOCKDATALONG: {
            std::uint32_t n = 0;
            return in_.length(n) && in_.skip(n);
        }
        case TC_RESET: handles_.clear(); return true;
        case TC_CLASSDESC:
        case TC_PROXYCLASSDESC: return class_desc(tc, desc, depth);
        case TC_CLASS:
            if (!class_desc(desc, depth + 1)) return false;
            handle();
            return true;
        case TC_ENUM:
            if (!class_desc(desc, depth + 1)) return false;
            handle();
            return content(depth + 1);  // the constant's name
        case TC_ARRAY: return array(depth);
        case TC_OBJECT:
            if (!class_desc(desc, depth + 1) || !desc) return false;
            handle();
            return object_data(*desc, depth);
        default: return false;  // exceptions included: a store never holds one
        }
    }

    Cursor& in_;
    std::vector<std::unique_ptr<ClassDesc>> descs_;  // every description read, owned here
    std::vector<const ClassDesc*> handles_;
};

}  // namespace

bool skip_serialised_object(Cursor& in) {
    Cursor probe = in;
    if (!Skipper(probe).stream()) return false;
    in = probe;
    return true;
}

}  // namespace kx::jks
