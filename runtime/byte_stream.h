// Little-endian byte streams for the window template and the units' stored properties.
// Plain C++ with no Windows headers, so the host-side template generator shares it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace quill {

// Appends values in the stored forms: int32, length-prefixed text / byte array,
// zero-terminated text.
class ByteWriter {
public:
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void raw(const void* data, size_t n) { out_.append(static_cast<const char*>(data), n); }
    void raw(const std::string& bytes) { out_ += bytes; }
    // text and byte array share one form: int32 length, then the bytes.
    void blob(const std::string& bytes) {
        i32(static_cast<int32_t>(bytes.size()));
        raw(bytes);
    }
    void terminated(const std::string& text) {
        out_ += text;
        out_.push_back('\0');
    }
    size_t size() const { return out_.size(); }
    const std::string& bytes() const { return out_; }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

// Reads the same forms. Every read checks the remaining length; after the first
// short read the reader stays failed and further reads return zero values.
class ByteReader {
public:
    ByteReader(const void* data, size_t size)
        : p_(static_cast<const uint8_t*>(data)), end_(p_ + size) {}
    explicit ByteReader(const std::string& bytes) : ByteReader(bytes.data(), bytes.size()) {}

    bool ok() const { return ok_; }
    size_t remaining() const { return ok_ ? static_cast<size_t>(end_ - p_) : 0; }
    const uint8_t* position() const { return p_; }

    uint32_t u32() {
        if (!need(4)) return 0;
        uint32_t v = uint32_t(p_[0]) | uint32_t(p_[1]) << 8 | uint32_t(p_[2]) << 16 | uint32_t(p_[3]) << 24;
        p_ += 4;
        return v;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }

    std::string raw(size_t n) {
        if (!need(n)) return {};
        std::string s(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        return s;
    }
    std::string blob() {
        int32_t n = i32();
        if (n < 0) {
            ok_ = false;
            return {};
        }
        return raw(static_cast<size_t>(n));
    }
    std::string terminated() {
        if (!ok_) return {};
        const void* z = std::memchr(p_, 0, static_cast<size_t>(end_ - p_));
        if (!z) {
            ok_ = false;
            return {};
        }
        auto n = static_cast<size_t>(static_cast<const uint8_t*>(z) - p_);
        std::string s(reinterpret_cast<const char*>(p_), n);
        p_ += n + 1;
        return s;
    }
    bool skip(size_t n) {
        if (!need(n)) return false;
        p_ += n;
        return true;
    }

private:
    bool need(size_t n) {
        if (!ok_ || static_cast<size_t>(end_ - p_) < n) {
            ok_ = false;
            return false;
        }
        return true;
    }
    const uint8_t* p_;
    const uint8_t* end_;
    bool ok_ = true;
};

}  // namespace quill
