// LateBound: drives one GraphGenerator through IDispatch by member name, as
// a page script does. For the command-line tool; one thread at a time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tessaloom/tessaloom.h"

namespace tessaloom::cli {

class LateBound {
 public:
  // A new GraphGenerator from the library's class factory; check ok().
  LateBound();
  [[nodiscard]] bool Ok() const { return static_cast<bool>(object_); }

  // Property put / method call; arguments in call order. Returns the HRESULT.
  HRESULT Put(std::string_view name, Variant value);
  HRESULT Call(std::string_view name, std::vector<Variant> args = {});
  std::string ErrorReason();
  // Property get; VT_EMPTY when the get fails.
  Variant Get(std::string_view name);
  // A text property's value; "" when it cannot be read.
  std::string GetText(std::string_view name);

  // A text argument.
  static Variant Text(std::string_view utf8);

 private:
  HRESULT Invoke(std::string_view name, WORD flags, std::vector<Variant>& args, VARIANT* result);
  ComPtr<IDispatch> object_;
};

}  // namespace tessaloom::cli
