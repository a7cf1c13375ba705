// The stub's own throw helpers must say what libstdc++'s say, and stay catchable as
// std::exception: the installation reports such an error with its text.
// A plain program, not GoogleTest: googletest uses more of libstdc++'s throw helpers,
// whose object would then collide with these replacements.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace {

int failures = 0;

template <class Action>
void ExpectText(const char* what, Action action, const std::string& expected) {
  std::string text = "(nothing thrown)";
  try {
    action();
  } catch (const std::exception& error) {
    text = error.what();
  }
  if (text == expected) return;
  std::printf("%s:\n  expected \"%s\"\n  got      \"%s\"\n", what, expected.c_str(), text.c_str());
  ++failures;
}

}  // namespace

int main() {
  ExpectText(
      "substr past the end", [] { (void)std::string("abc").substr(5); },
      "basic_string::substr: __pos (which is 5) > this->size() (which is 3)");
  ExpectText(
      "at past the end", [] { (void)std::vector<int>().at(3); },
      "vector::_M_range_check: __n (which is 3) >= this->size() (which is 0)");
  ExpectText(
      "reserve past the maximum", [] { std::string().reserve(std::string().max_size() + 1); },
      "basic_string::_M_create");
  ExpectText(
      "out of memory", [] { std::__throw_bad_alloc(); }, std::bad_alloc().what());
  const std::string name(300, 'x');
  ExpectText(
      "a text longer than the field is cut",
      [&] { std::__throw_out_of_range_fmt("%s: %zu", name.c_str(), size_t{7}); },
      std::string(255, 'x'));
  ExpectText(
      "the largest number, a percent sign and %lu",
      [] { std::__throw_out_of_range_fmt("%s: %zu%% %lu", "at", ~size_t{0}, 0ul); },
      "at: 18446744073709551615% 0");
  std::printf("%s\n", failures == 0 ? "library throws: all passed" : "library throws: FAILED");
  return failures == 0 ? 0 : 1;
}
