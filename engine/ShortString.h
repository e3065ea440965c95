// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A text of at most MaxLength characters kept inline, without heap allocation. Assigning a longer
// text cuts it silently to MaxLength: names and comments entered anywhere in the program are cut,
// never refused.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace dedodiz {

template <std::size_t MaxLength>
class ShortString {
  public:
    static constexpr std::size_t max_length = MaxLength;

    constexpr ShortString() = default;
    ShortString(std::string_view text) { assign(text); }  // NOLINT(google-explicit-constructor)
    ShortString(const char* text) : ShortString(std::string_view(text)) {}         // NOLINT
    ShortString(const std::string& text) : ShortString(std::string_view(text)) {}  // NOLINT

    ShortString& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    ShortString& operator=(const char* text) {
        assign(text);
        return *this;
    }
    ShortString& operator=(const std::string& text) {
        assign(text);
        return *this;
    }

    void assign(std::string_view text) {
        length_ = std::min(text.size(), MaxLength);
        // clear() passes a null pointer, and a text may be assigned from a view of itself.
        if (length_ > 0) std::memmove(&chars_[0], text.data(), length_);
        chars_[length_] = '\0';
    }
    void clear() { assign({}); }

    [[nodiscard]] std::string_view view() const { return {&chars_[0], length_}; }
    [[nodiscard]] std::string str() const { return std::string(view()); }
    [[nodiscard]] const char* c_str() const { return &chars_[0]; }
    [[nodiscard]] std::size_t size() const { return length_; }
    [[nodiscard]] bool empty() const { return length_ == 0; }
    char operator[](std::size_t i) const { return chars_[i]; }
    operator std::string_view() const { return view(); }  // NOLINT(google-explicit-constructor)

    friend bool operator==(const ShortString& a, const ShortString& b) { return a.view() == b.view(); }
    friend bool operator==(const ShortString& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const ShortString& a, const char* b) { return a.view() == std::string_view(b); }

  private:
    std::size_t length_ = 0;
    char chars_[MaxLength + 1] = {};
};

}  // namespace dedodiz
