// An object the test owns directly (its fields inspected) and short BSTRs.
#pragma once

#include <memory>
#include <string>

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

inline std::string ErrorReasonOf(CGraphGenerator& g) {
  Bstr text;
  if (FAILED(g.get_ErrorReason(text.out()))) return "<failed>";
  return BstrToUtf8(text.get());
}

}  // namespace tessaloom::testing
