#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nimbo::platform {

// ASCII text a word at a time. User IDs are a few bytes long, and a list
// holds thousands of them: testing and widening them byte by byte took
// more instructions than all else their decoding does. Short texts are
// read as two words that overlap, so no byte outside the text is read.
class AsciiText {
public:
    static bool IsAscii(std::string_view bytes) {
        const char* p = bytes.data();
        const std::size_t n = bytes.size();
        if (n >= 8) {
            std::uint64_t bits = Load<std::uint64_t>(p + n - 8);
            for (std::size_t i = 0; i + 8 <= n; i += 8)
                bits |= Load<std::uint64_t>(p + i);
            return (bits & 0x8080808080808080u) == 0;
        }
        if (n >= 4)
            return ((Load<std::uint32_t>(p) | Load<std::uint32_t>(p + n - 4)) & 0x80808080u) == 0;
        unsigned bits = 0;
        for (std::size_t i = 0; i < n; ++i)
            bits |= static_cast<unsigned char>(p[i]);
        return bits < 0x80;
    }

    // Writes the ASCII `bytes` to `units` as as many code units.
    static void Widen(std::string_view bytes, char16_t* units) {
        const char* p = bytes.data();
        const std::size_t n = bytes.size();
        if (n >= 8) {
            for (std::size_t i = 0; i + 8 <= n; i += 8)
                WidenEight(p + i, units + i);
            WidenEight(p + n - 8, units + n - 8);
        } else if (n >= 4) {
            WidenFour(p, units);
            WidenFour(p + n - 4, units + n - 4);
        } else {
            for (std::size_t i = 0; i < n; ++i)
                units[i] = static_cast<char16_t>(p[i]);
        }
    }

    // Whether the ASCII `bytes` are the code units `units`. IDs are mostly
    // four to eight long: those are compared as two words that overlap.
    static bool SameText(std::string_view bytes, std::u16string_view units) {
        const std::size_t n = bytes.size();
        if (n != units.size())
            return false;
        if (n >= 4 && n <= 8)
            return WideFour(bytes.data()) == Load<std::uint64_t>(units.data()) &&
                   WideFour(bytes.data() + n - 4) == Load<std::uint64_t>(units.data() + n - 4);
        for (std::size_t i = 0; i < n; ++i) {
            if (units[i] != static_cast<unsigned char>(bytes[i]))
                return false;
        }
        return true;
    }

private:
    template <class Word, class Unit>
    static Word Load(const Unit* from) {
        Word word;
        std::memcpy(&word, from, sizeof word);
        return word;
    }

    // Four ASCII bytes as the word their four code units make.
    static std::uint64_t WideFour(const char* bytes) {
#if defined(__SSE2__) && defined(__x86_64__)
        const __m128i four = _mm_cvtsi32_si128(static_cast<int>(Load<std::uint32_t>(bytes)));
        return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpacklo_epi8(four, _mm_setzero_si128())));
#else
        const std::uint64_t four = Load<std::uint32_t>(bytes);
        return (four & 0xFFu) | (four & 0xFF00u) << 8 | (four & 0xFF0000u) << 16 | (four & 0xFF000000u) << 24;
#endif
    }

    static void WidenFour(const char* bytes, char16_t* units) {
#if defined(__SSE2__)
        const __m128i four = _mm_cvtsi32_si128(static_cast<int>(Load<std::uint32_t>(bytes)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(units), _mm_unpacklo_epi8(four, _mm_setzero_si128()));
#else
        for (std::size_t i = 0; i < 4; ++i)
            units[i] = static_cast<char16_t>(bytes[i]);
#endif
    }

    static void WidenEight(const char* bytes, char16_t* units) {
#if defined(__SSE2__)
        const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units), _mm_unpacklo_epi8(eight, _mm_setzero_si128()));
#else
        for (std::size_t i = 0; i < 8; ++i)
            units[i] = static_cast<char16_t>(bytes[i]);
#endif
    }
};

}  // namespace nimbo::platform
