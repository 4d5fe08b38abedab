#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace nimbo {

// Reference-counted, copy-on-write byte string for all wire text (device code
// page, no embedded zero bytes). A value is a single pointer into a shared
// buffer; copies share the buffer and bump an atomic count, so values may be
// handed between threads. Every operation that may allocate reports success;
// on failure the string is left empty (assignments) or unchanged (appends).
class ByteString {
public:
    ByteString() noexcept;
    ByteString(const char* text);  // NOLINT: wire literals read naturally
    ByteString(const char* bytes, int length);
    ByteString(const ByteString& other);
    ByteString(ByteString&& other) noexcept;
    ~ByteString();

    ByteString& operator=(const ByteString& other);
    ByteString& operator=(ByteString&& other) noexcept;
    ByteString& operator=(const char* text);

    bool Assign(const char* text);
    bool Assign(const char* bytes, int length);
    bool Assign(const ByteString& other);
    // Converts UTF-16 text to the device code page (a null pointer assigns "").
    bool AssignWide(const char16_t* text);
    bool AssignWide(std::u16string_view text);

    bool Append(const char* text);
    bool Append(const char* bytes, int length);
    bool Append(char ch);
    bool Append(const ByteString& other);

    void Empty();

    // Makes the buffer unshared with room for `minimum` characters and returns
    // it for writing, or nullptr when memory cannot be obtained.
    char* GetBuffer(int minimum);
    // Ends a GetBuffer write: the length becomes `newLength` (-1: up to the
    // first zero byte), cut to the capacity.
    bool ReleaseBuffer(int newLength = -1);
    // A locked buffer belongs to this string alone: it is never shared, and
    // assigning from it copies. UnlockBuffer makes it shareable again.
    char* LockBuffer();
    void UnlockBuffer();

    ByteString Mid(int first, int count) const;
    ByteString Mid(int first) const;
    ByteString Left(int count) const;
    bool TrimLeft();
    bool TrimRight();

    // printf-style formatting that replaces the contents; false, and the
    // string empty, when the text cannot be printed or memory is short.
    bool Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Field `n` (0-based) of the string split at every `separator`.
    void Field(const char* separator, int n, ByteString& out) const;
    ByteString Field(const char* separator, int n) const;
    int FieldCount(const char* separator) const;
    // The n-th (0-based) text enclosed by `open` and `close`.
    void Between(const char* open, const char* close, int n, ByteString& out) const;
    ByteString Between(const char* open, const char* close, int n) const;

    int GetLength() const noexcept { return Header()->length; }
    bool IsEmpty() const noexcept { return Header()->length == 0; }
    const char* c_str() const noexcept { return m_chars; }
    std::string_view view() const noexcept { return {m_chars, static_cast<std::size_t>(GetLength())}; }
    char operator[](int index) const noexcept { return m_chars[index]; }
    // Index of the first occurrence of `needle` at or after `start`, or -1.
    int Find(const char* needle, int start = 0) const;
    int Find(char ch, int start = 0) const;
    std::u16string ToWide() const;

    bool operator==(const ByteString& other) const noexcept { return view() == other.view(); }
    bool operator==(const char* text) const noexcept { return view() == std::string_view(text ? text : ""); }

    // Inspection for tests: the sharing count of the buffer (-1 for the empty
    // buffer and for a locked one) and whether this is the process-wide empty
    // buffer.
    int RefCount() const noexcept { return Header()->refs.load(std::memory_order_relaxed); }
    bool IsSharedEmpty() const noexcept;
    const void* BufferId() const noexcept { return m_chars; }

    // The buffer layout: this header, then capacity + 1 characters.
    struct BufferHeader {
        std::atomic<std::int32_t> refs;
        std::int32_t length;
        std::int32_t capacity;
    };

private:
    BufferHeader* Header() const noexcept { return reinterpret_cast<BufferHeader*>(m_chars) - 1; }
    static BufferHeader* Allocate(int capacity);
    static char* Chars(BufferHeader* header) noexcept { return reinterpret_cast<char*>(header + 1); }
    bool IsLocked() const noexcept;
    void Release() noexcept;
    bool AllocateCopy(const char* bytes, int length, int capacity);
    bool CopyBeforeWrite();
    bool IsUnshared() const noexcept { return Header()->refs.load(std::memory_order_acquire) <= 1; }

    char* m_chars;
};

}  // namespace nimbo
