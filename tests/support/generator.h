// An object the test owns directly (its fields inspected) and short BSTRs.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "component/graph_generator.h"
#include "platform/bstr.h"
#include "platform/com_object.h"

namespace tessaloom::testing {

// Owned by the test through unique_ptr; never AddRef'd, so never self-deleted.
inline std::unique_ptr<ComObject<CGraphGenerator>> NewGenerator() {
  return std::make_unique<ComObject<CGraphGenerator>>();
}

// A BSTR that lives until the end of the full expression.
inline Bstr B(std::u16string_view text) { return Bstr(text); }

// Items, then each series with its values, as a script adds a table.
inline void AddTable(CGraphGenerator& g, std::initializer_list<const char16_t*> items,
                     std::initializer_list<std::pair<const char16_t*, std::vector<float>>> series) {
  for (const char16_t* item : items) g.AddItemToSeries(B(item).get());
  for (const auto& [title, values] : series) {
    g.AddSeries(B(title).get());
    for (float v : values) g.AddDataEx(v);
  }
}

// A text property's value, by its getter.
inline std::string Text(CGraphGenerator& g, HRESULT (CGraphGenerator::*get)(BSTR*) noexcept) {
  Bstr text;
  if (FAILED((g.*get)(text.out()))) return "<failed>";
  return BstrToUtf8(text.get());
}
inline std::string ErrorReasonOf(CGraphGenerator& g) {
  return Text(g, &CGraphGenerator::get_ErrorReason);
}

}  // namespace tessaloom::testing
