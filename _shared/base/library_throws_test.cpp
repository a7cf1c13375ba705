// The programs' throw helpers say what libstdc++'s say, catchable as std::exception. Not
// GoogleTest: it uses more of the library's helpers, whose object would collide.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

const std::string kLongName(300, 'x');

int main() {
  const struct {
    void (*action)();
    std::string expected;
  } rows[] = {
      {[] { (void)std::string("abc").substr(5); },
       "basic_string::substr: __pos (which is 5) > this->size() (which is 3)"},
      {[] { (void)std::vector<int>().at(3); },
       "vector::_M_range_check: __n (which is 3) >= this->size() (which is 0)"},
      {[] { std::string().reserve(std::string().max_size() + 1); }, "basic_string::_M_create"},
      {[] { std::__throw_bad_alloc(); }, std::bad_alloc().what()},
      {[] { std::__throw_out_of_range_fmt("%s: %zu", kLongName.c_str(), size_t{7}); },
       std::string(255, 'x')},  // cut to the field
      {[] { std::__throw_out_of_range_fmt("%s: %zu%% %lu", "at", ~size_t{0}, 0ul); },
       "at: 18446744073709551615% 0"},
  };
  int failures = 0;
  for (const auto& row : rows) {
    std::string text = "(nothing thrown)";
    try {
      row.action();
    } catch (const std::exception& error) {
      text = error.what();
    }
    if (text == row.expected) continue;
    std::printf("expected \"%s\"\n     got \"%s\"\n", row.expected.c_str(), text.c_str());
    ++failures;
  }
  std::printf("%s\n", failures == 0 ? "library throws: all passed" : "library throws: FAILED");
  return failures == 0 ? 0 : 1;
}
