// A generator the test owns, short BSTRs, a table added as a script adds it, and what a Draw method
// made: the words it reports (AltText) and the chart model it hands on, written down.
#pragma once

#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "component/graph_generator.h"
#include "platform/com_object.h"
#include "tessaloom/bstr.h"

namespace tessaloom::test_support {

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

// The chart in words after `draw` to memory.
inline std::string Described(CGraphGenerator& g, HRESULT (CGraphGenerator::*draw)() noexcept) {
  g.put_OutputTarget(B(u"memory").get());
  (g.*draw)();
  return Text(g, &CGraphGenerator::get_AltText);
}

// Writes down the model a Draw method hands on, in place of drawing it:
// "kind min..max/step; label: x=y ...; legend ...; colour ...; back ...".
class ModelRecorder final : public ChartRenderer {
 public:
  void Render(CGraph& g) override {
    std::ostringstream s;
    s << static_cast<std::uint32_t>(g.graphType) << ' ' << g.minTick << ".." << g.maxTick << '/'
      << g.tickValueStep << ';';
    for (const auto& series : g.seriesList) {
      s << ' ' << series->GetLabel() << ':';
      for (const CGraphDataSet& p : series->dataList) s << ' ' << p.xPosition << '=' << p.yValue;
      s << ';';
    }
    for (const CGraphLegendSet& l : g.legend.legendList) s << " legend " << l.legendText;
    s << std::hex;
    for (const CGraphDataColor& c : g.colorList) s << " colour " << c.color;
    if (g.hasBackColor != 0) s << " back " << g.backColor;
    last = s.str();
  }
  std::string last;
};

}  // namespace tessaloom::test_support
