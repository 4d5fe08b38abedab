#include "net/ByteString.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/CodePage.h"

namespace nimbo {
namespace {

struct EmptyBuffer {
    ByteString::BufferHeader header;
    char chars[1];
};

// The one process-wide empty buffer; never freed, never written.
constinit EmptyBuffer g_emptyBuffer{{-1, 0, 0}, {0}};

constexpr int MAX_CAPACITY = INT_MAX - static_cast<int>(sizeof(ByteString::BufferHeader)) - 1;

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
}

int LengthOf(const char* text) {
    std::size_t length = std::strlen(text);
    return length > static_cast<std::size_t>(MAX_CAPACITY) ? -1 : static_cast<int>(length);
}

}  // namespace

ByteString::ByteString() noexcept : m_chars(g_emptyBuffer.chars) {}

ByteString::ByteString(const char* text) : ByteString() { Assign(text); }

ByteString::ByteString(const char* bytes, int length) : ByteString() { Assign(bytes, length); }

ByteString::ByteString(const ByteString& other) : ByteString() { Assign(other); }

ByteString::ByteString(ByteString&& other) noexcept : m_chars(other.m_chars) { other.m_chars = g_emptyBuffer.chars; }

ByteString::~ByteString() { Release(); }

ByteString& ByteString::operator=(const ByteString& other) {
    Assign(other);
    return *this;
}

ByteString& ByteString::operator=(ByteString&& other) noexcept {
    if (this != &other) {
        Release();
        m_chars = other.m_chars;
        other.m_chars = g_emptyBuffer.chars;
    }
    return *this;
}

ByteString& ByteString::operator=(const char* text) {
    Assign(text);
    return *this;
}

bool ByteString::IsSharedEmpty() const noexcept { return m_chars == g_emptyBuffer.chars; }

bool ByteString::IsLocked() const noexcept {
    return !IsSharedEmpty() && Header()->refs.load(std::memory_order_relaxed) == -1;
}

ByteString::BufferHeader* ByteString::Allocate(int capacity) {
    if (capacity < 0 || capacity > MAX_CAPACITY)
        return nullptr;
    void* memory = std::malloc(sizeof(BufferHeader) + static_cast<std::size_t>(capacity) + 1);
    if (!memory)
        return nullptr;
    auto* header = new (memory) BufferHeader{{1}, 0, capacity};
    Chars(header)[0] = '\0';
    return header;
}

void ByteString::Release() noexcept {
    if (IsSharedEmpty())
        return;
    BufferHeader* header = Header();
    if (header->refs.fetch_sub(1, std::memory_order_acq_rel) - 1 <= 0) {
        header->~BufferHeader();
        std::free(header);
    }
    m_chars = g_emptyBuffer.chars;
}


// Replaces the buffer by a fresh one of `capacity` holding `bytes`; the old
// buffer is released only after the copy, so `bytes` may point into it.
bool ByteString::AllocateCopy(const char* bytes, int length, int capacity) {
    BufferHeader* header = Allocate(capacity);
    if (!header) {
        Release();
        return false;
    }
    std::memcpy(Chars(header), bytes, static_cast<std::size_t>(length));
    Chars(header)[length] = '\0';
    header->length = length;
    Release();
    m_chars = Chars(header);
    return true;
}

bool ByteString::CopyBeforeWrite() {
    if (IsSharedEmpty() || IsUnshared())
        return true;
    return AllocateCopy(m_chars, GetLength(), GetLength());
}

bool ByteString::Assign(const char* text) {
    if (!text) {
        Empty();
        return true;
    }
    int length = LengthOf(text);
    if (length < 0) {
        Release();
        return false;
    }
    return Assign(text, length);
}

bool ByteString::Assign(const char* bytes, int length) {
    if (length <= 0 || !bytes) {
        Empty();
        return length == 0 || bytes;
    }
    if (!IsSharedEmpty() && IsUnshared() && length <= Header()->capacity) {
        std::memmove(m_chars, bytes, static_cast<std::size_t>(length));
        m_chars[length] = '\0';
        Header()->length = length;
        return true;
    }
    return AllocateCopy(bytes, length, length);
}

bool ByteString::Assign(const ByteString& other) {
    if (m_chars == other.m_chars)
        return true;
    if (IsLocked() || other.IsLocked())
        return Assign(other.m_chars, other.GetLength());
    Release();
    if (!other.IsSharedEmpty())
        other.Header()->refs.fetch_add(1, std::memory_order_relaxed);
    m_chars = other.m_chars;
    return true;
}

bool ByteString::AssignWide(const char16_t* text) {
    if (!text) {
        Empty();
        return true;
    }
    return AssignWide(std::u16string_view(text));
}

bool ByteString::AssignWide(std::u16string_view text) {
    std::string bytes = platform::CodePage::ToWire(text);
    // The conversion stops at the first zero character, like the C string it
    // produces.
    std::size_t end = bytes.find('\0');
    if (end != std::string::npos)
        bytes.resize(end);
    if (bytes.size() > static_cast<std::size_t>(MAX_CAPACITY)) {
        Release();
        return false;
    }
    return Assign(bytes.data(), static_cast<int>(bytes.size()));
}

bool ByteString::Append(const char* text) {
    if (!text)
        return true;
    int length = LengthOf(text);
    return length >= 0 && Append(text, length);
}

bool ByteString::Append(const char* bytes, int length) {
    if (length <= 0)
        return true;
    int oldLength = GetLength();
    if (length > MAX_CAPACITY - oldLength)
        return false;
    int newLength = oldLength + length;
    if (!IsSharedEmpty() && IsUnshared() && newLength <= Header()->capacity) {
        std::memmove(m_chars + oldLength, bytes, static_cast<std::size_t>(length));
        m_chars[newLength] = '\0';
        Header()->length = newLength;
        return true;
    }
    BufferHeader* header = Allocate(newLength);
    if (!header)
        return false;
    std::memcpy(Chars(header), m_chars, static_cast<std::size_t>(oldLength));
    std::memcpy(Chars(header) + oldLength, bytes, static_cast<std::size_t>(length));
    Chars(header)[newLength] = '\0';
    header->length = newLength;
    Release();
    m_chars = Chars(header);
    return true;
}

bool ByteString::Append(char ch) { return ch == '\0' || Append(&ch, 1); }

bool ByteString::Append(const ByteString& other) {
    // Copy the value first: appending a string to itself reallocates the
    // buffer the source points into.
    if (&other == this) {
        ByteString copy(other);
        return Append(copy.m_chars, copy.GetLength());
    }
    return Append(other.m_chars, other.GetLength());
}

void ByteString::Empty() {
    if (IsEmpty())
        return;
    if (IsLocked()) {
        Header()->length = 0;
        m_chars[0] = '\0';
        return;
    }
    Release();
}

char* ByteString::GetBuffer(int minimum) {
    int length = GetLength();
    if (IsSharedEmpty() || !IsUnshared() || Header()->capacity < minimum) {
        int capacity = minimum > length ? minimum : length;
        BufferHeader* header = Allocate(capacity);
        if (!header)
            return nullptr;
        std::memcpy(Chars(header), m_chars, static_cast<std::size_t>(length) + 1);
        header->length = length;
        if (IsLocked())
            header->refs.store(-1, std::memory_order_relaxed);
        Release();
        m_chars = Chars(header);
    }
    return m_chars;
}

bool ByteString::ReleaseBuffer(int newLength) {
    if (IsSharedEmpty())
        return true;
    if (!CopyBeforeWrite())
        return false;
    int capacity = Header()->capacity;
    if (newLength < 0)
        newLength = static_cast<int>(strnlen(m_chars, static_cast<std::size_t>(capacity)));
    if (newLength > capacity)
        newLength = capacity;
    Header()->length = newLength;
    m_chars[newLength] = '\0';
    return true;
}

char* ByteString::LockBuffer() {
    char* chars = GetBuffer(0);
    if (chars)
        Header()->refs.store(-1, std::memory_order_relaxed);
    return chars;
}

void ByteString::UnlockBuffer() {
    if (IsLocked())
        Header()->refs.store(1, std::memory_order_relaxed);
}

ByteString ByteString::Mid(int first, int count) const {
    int length = GetLength();
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    if (first >= length)
        return ByteString();
    if (count > length - first)
        count = length - first;
    if (first == 0 && count == length)
        return *this;
    return ByteString(m_chars + first, count);
}

ByteString ByteString::Mid(int first) const { return Mid(first, GetLength()); }

ByteString ByteString::Left(int count) const { return Mid(0, count); }

bool ByteString::TrimLeft() {
    if (!CopyBeforeWrite())
        return false;
    int length = GetLength();
    int skip = 0;
    while (skip < length && IsBlank(m_chars[skip]))
        ++skip;
    if (skip > 0) {
        std::memmove(m_chars, m_chars + skip, static_cast<std::size_t>(length - skip) + 1);
        Header()->length = length - skip;
    }
    return true;
}

bool ByteString::TrimRight() {
    if (!CopyBeforeWrite())
        return false;
    int length = GetLength();
    int end = length;
    while (end > 0 && IsBlank(m_chars[end - 1]))
        --end;
    if (end < length) {
        m_chars[end] = '\0';
        Header()->length = end;
    }
    return true;
}

// A first pass over a copy of the arguments measures the text, so that the
// buffer has exactly its size.
bool ByteString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measureArgs;
    va_copy(measureArgs, args);
    const int length = std::vsnprintf(nullptr, 0, format, measureArgs);
    va_end(measureArgs);
    BufferHeader* header = length < 0 || length > MAX_CAPACITY ? nullptr : Allocate(length);
    if (!header) {
        va_end(args);
        Release();
        return false;
    }
    // Print into a fresh buffer: the arguments may point into the old one.
    const int written = std::vsnprintf(Chars(header), static_cast<std::size_t>(length) + 1, format, args);
    va_end(args);
    header->length = written < 0 ? 0 : (written > length ? length : written);
    Chars(header)[header->length] = '\0';
    Release();
    m_chars = Chars(header);
    return written >= 0;
}

void ByteString::Field(const char* separator, int n, ByteString& out) const {
    out.Empty();
    std::string_view text = view();
    std::string_view sep(separator);
    std::size_t position = 0;
    std::size_t start = 0;
    std::size_t end = 0;
    for (int k = 0; k <= n; ++k) {
        start = position;
        std::size_t found = sep.empty() ? std::string_view::npos : text.find(sep, position);
        if (found != std::string_view::npos) {
            end = found;
            position = found + sep.size();
        } else {
            end = text.size();
            position = text.size();
        }
    }
    out = Mid(static_cast<int>(start), static_cast<int>(end - start));
}

ByteString ByteString::Field(const char* separator, int n) const {
    ByteString out;
    Field(separator, n, out);
    return out;
}

int ByteString::FieldCount(const char* separator) const {
    std::string_view text = view();
    std::string_view sep(separator);
    if (sep.empty())
        return 1;
    int count = 1;
    for (std::size_t found = text.find(sep); found != std::string_view::npos; found = text.find(sep, found + sep.size()))
        ++count;
    return count;
}

void ByteString::Between(const char* open, const char* close, int n, ByteString& out) const {
    out.Empty();
    std::string_view text = view();
    std::string_view openText(open);
    std::string_view closeText(close);
    std::size_t position = 0;
    std::size_t start = 0;
    std::size_t end = 0;
    for (int k = 0; k <= n; ++k) {
        std::size_t found = text.find(openText, position);
        if (found == std::string_view::npos)
            return;
        start = found + openText.size();
        end = text.find(closeText, start);
        if (end == std::string_view::npos)
            return;
        // The next search resumes just past the opening delimiter by the
        // closing delimiter's length; offers rely on this ("<a<b>" cases).
        position = found + closeText.size();
    }
    out = Mid(static_cast<int>(start), static_cast<int>(end - start));
}

ByteString ByteString::Between(const char* open, const char* close, int n) const {
    ByteString out;
    Between(open, close, n, out);
    return out;
}

int ByteString::Find(const char* needle, int start) const {
    if (start < 0 || start > GetLength())
        return -1;
    std::size_t found = view().find(std::string_view(needle), static_cast<std::size_t>(start));
    return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

int ByteString::Find(char ch, int start) const {
    if (start < 0 || start > GetLength())
        return -1;
    std::size_t found = view().find(ch, static_cast<std::size_t>(start));
    return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

std::u16string ByteString::ToWide() const { return platform::CodePage::FromWire(view()); }

}  // namespace nimbo
