// The installer's programs' own versions of the helpers through which the standard
// library's containers and strings throw. libstdc++ keeps them in one object together with
// std::logic_error, and that class keeps its text in a reference-counted string whose code comes as
// one piece: about 37 KB of the stub for errors that a correct program never raises. These throw
// the same texts in a class of their own; every handler in the program catches std::exception,
// which this class is. Only the programs built for size link this file. (The helper for
// std::function lives with that class's own small object and is left to it.)
#include <cstdarg>
#include <cstddef>
#include <new>

namespace {

class LibraryError : public std::exception {
 public:
  // The text is copied into the object, so copying the exception cannot fail.
  explicit LibraryError(const char* text) { Append(text); }

  // The subset that libstdc++'s range messages use: %s, %zu, %lu and %%.
  LibraryError(const char* format, va_list arguments) {
    for (const char* p = format; *p != '\0'; ++p) {
      if (*p != '%') {
        Append(p, 1);
      } else if (p[1] == 's') {
        Append(va_arg(arguments, const char*));
        ++p;
      } else if (p[1] == 'z' && p[2] == 'u') {
        AppendNumber(va_arg(arguments, std::size_t));
        p += 2;
      } else if (p[1] == 'l' && p[2] == 'u') {
        AppendNumber(va_arg(arguments, unsigned long));
        p += 2;
      } else if (p[1] == '%') {
        Append("%");
        ++p;
      } else {
        Append(p, 1);
      }
    }
  }

  const char* what() const noexcept override { return text_; }

 private:
  void Append(const char* text, std::size_t count = static_cast<std::size_t>(-1)) {
    for (std::size_t i = 0; i < count && text[i] != '\0' && length_ + 1 < sizeof text_; ++i)
      text_[length_++] = text[i];
    text_[length_] = '\0';
  }
  void AppendNumber(unsigned long long value) {
    char digits[24];
    std::size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count > 0) Append(&digits[--count], 1);
  }

  char text_[256] = {};
  std::size_t length_ = 0;
};

}  // namespace

namespace std {

void __throw_bad_alloc() {
  throw bad_alloc();
}
void __throw_bad_array_new_length() {
  throw bad_array_new_length();
}
void __throw_logic_error(const char* text) {
  throw LibraryError(text);
}
void __throw_length_error(const char* text) {
  throw LibraryError(text);
}
void __throw_out_of_range_fmt(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  LibraryError error(format, arguments);
  va_end(arguments);
  throw error;
}

}  // namespace std
