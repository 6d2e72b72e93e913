#include "testserver/tdsbytes.h"

#include <QString>

#include <cstring>

void ByteWriter::u16(uint16_t v)
{
    u8(uint8_t(v));
    u8(uint8_t(v >> 8));
}

void ByteWriter::u16be(uint16_t v)
{
    u8(uint8_t(v >> 8));
    u8(uint8_t(v));
}

void ByteWriter::u32(uint32_t v)
{
    u16(uint16_t(v));
    u16(uint16_t(v >> 16));
}

void ByteWriter::u32be(uint32_t v)
{
    u16be(uint16_t(v >> 16));
    u16be(uint16_t(v));
}

void ByteWriter::u64(uint64_t v)
{
    u32(uint32_t(v));
    u32(uint32_t(v >> 32));
}

void ByteWriter::f64(double v)
{
    uint64_t bits = 0;
    static_assert(sizeof bits == sizeof v, "IEEE double");
    std::memcpy(&bits, &v, sizeof bits);
    u64(bits);
}

void ByteWriter::utf16(const std::u16string &text)
{
    for (char16_t c : text)
        u16(uint16_t(c));
}

void ByteWriter::bVarchar(const std::u16string &text)
{
    const std::u16string cut = text.substr(0, 255);
    u8(uint8_t(cut.size()));
    utf16(cut);
}

void ByteWriter::usVarchar(const std::u16string &text)
{
    const std::u16string cut = text.substr(0, 65535);
    u16(uint16_t(cut.size()));
    utf16(cut);
}

void ByteWriter::patchU16(size_t position, uint16_t v)
{
    m_bytes.at(position) = uint8_t(v);
    m_bytes.at(position + 1) = uint8_t(v >> 8);
}

bool ByteReader::take(size_t count)
{
    if (m_failed || count > m_size - m_pos) {
        m_failed = true;
        m_pos = m_size;
        return false;
    }
    return true;
}

uint8_t ByteReader::u8()
{
    if (!take(1))
        return 0;
    return m_data[m_pos++];
}

uint16_t ByteReader::u16()
{
    if (!take(2))
        return 0;
    const uint16_t v = uint16_t(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

uint16_t ByteReader::u16be()
{
    if (!take(2))
        return 0;
    const uint16_t v = uint16_t((m_data[m_pos] << 8) | m_data[m_pos + 1]);
    m_pos += 2;
    return v;
}

uint32_t ByteReader::u32()
{
    const uint32_t low = u16();
    const uint32_t high = u16();
    return low | (high << 16);
}

uint64_t ByteReader::u64()
{
    const uint64_t low = u32();
    const uint64_t high = u32();
    return low | (high << 32);
}

std::u16string ByteReader::utf16(size_t count)
{
    if (count > remaining() / 2) {
        take(remaining() + 1);
        return std::u16string();
    }
    std::u16string text(count, u'\0');
    for (size_t i = 0; i < count; ++i)
        text[i] = char16_t(u16());
    return text;
}

void ByteReader::skip(size_t count)
{
    if (take(count))
        m_pos += count;
}

std::u16string toUtf16(const std::string &utf8)
{
    const QString s = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    return std::u16string(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size()));
}

std::string toUtf8(const std::u16string &utf16)
{
    return QString::fromUtf16(utf16.data(), qsizetype(utf16.size())).toStdString();
}
