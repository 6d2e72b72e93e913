#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Little-endian byte building and bounds-checked reading for TDS streams. Text on the wire
// is UTF-16LE: ByteWriter takes UTF-16 code units, ByteReader hands them back. A read past
// the end sets failed() and yields zeros, so parsers check once at the end instead of after
// every field.
using Bytes = std::vector<uint8_t>;

class ByteWriter
{
public:
    void u8(uint8_t v) { m_bytes.push_back(v); }
    void u16(uint16_t v);
    void u16be(uint16_t v);
    void u32(uint32_t v);
    void u32be(uint32_t v);
    void u64(uint64_t v);
    void f64(double v);
    void bytes(const uint8_t *data, size_t size) { m_bytes.insert(m_bytes.end(), data, data + size); }
    void bytes(const Bytes &data) { bytes(data.data(), data.size()); }
    void utf16(const std::u16string &text);
    // B_VARCHAR: a one-byte count of code units, then the text (cut at 255 units).
    void bVarchar(const std::u16string &text);
    // US_VARCHAR: a two-byte count of code units, then the text (cut at 65535 units).
    void usVarchar(const std::u16string &text);

    // Overwrites two bytes at position (a length field written before its content).
    void patchU16(size_t position, uint16_t v);

    size_t size() const { return m_bytes.size(); }
    const Bytes &data() const { return m_bytes; }
    Bytes take() { return std::move(m_bytes); }

private:
    Bytes m_bytes;
};

class ByteReader
{
public:
    ByteReader(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    explicit ByteReader(const Bytes &data) : ByteReader(data.data(), data.size()) {}

    uint8_t u8();
    uint16_t u16();
    uint16_t u16be();
    uint32_t u32();
    uint64_t u64();
    // count UTF-16 code units.
    std::u16string utf16(size_t count);
    void skip(size_t count);

    size_t position() const { return m_pos; }
    size_t remaining() const { return m_size - m_pos; }
    bool failed() const { return m_failed; }

private:
    bool take(size_t count);

    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_failed = false;
};

// UTF-8 <-> UTF-16 for the server's own texts (names, messages); invalid input is replaced by U+FFFD.
std::u16string toUtf16(const std::string &utf8);
std::string toUtf8(const std::u16string &utf16);
