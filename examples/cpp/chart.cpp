// A C++ host of the GraphGenerator: creates the object, sets its properties,
// adds data, draws a PNG into memory and into a file, and reads LastError.
//   chart [FOLDER]    writes FOLDER/sales.png (FOLDER defaults to ".")
// Built against the installed package with pkg-config:
//   c++ -std=c++17 chart.cpp $(pkg-config --cflags --libs tessaloom) -o chart
// or with CMake, by the CMakeLists.txt beside it (find_package(Tessaloom)).
#include <cstdio>
#include <string>
#include <utility>

#include "tessaloom/tessaloom.h"

namespace {

using tessaloom::Bstr;
using tessaloom::IGraphGenerator2;

// A text property as UTF-8. The Bstr frees the string the object hands over.
std::string Text(IGraphGenerator2& g,
                 tessaloom::HRESULT (IGraphGenerator2::*get)(tessaloom::BSTR*)) {
  Bstr text;
  (g.*get)(text.out());
  return tessaloom::BstrToUtf8(text.get());
}

}  // namespace

int main(int argc, char** argv) {
  // By ProgID: the server the registry file names, else this library's own class.
  tessaloom::ComPtr<IGraphGenerator2> g;
  std::string error;
  if (tessaloom::FAILED(tessaloom::CreateObjectFromProgID(
          "Tessaloom.GraphGenerator", tessaloom::IID_IGraphGenerator2, g.out(), error))) {
    std::fprintf(stderr, "cannot create the chart object: %s\n", error.c_str());
    return 1;
  }

  // A Bstr copies the text it is given and frees its copy.
  g->put_ChartTitle(Bstr(u"Sales").get());
  g->put_YAxisLabel(Bstr(u"Units").get());
  g->HasGridLines(1);
  const std::pair<const char16_t*, float> months[] = {
      {u"Jan, early", 12}, {u"Feb", 19}, {u"Mar", 7}};
  for (const auto& [label, value] : months) g->AddData(Bstr(label).get(), value);

  // A PNG kept in memory, as a web response would send it.
  g->put_OutputTarget(Bstr(u"memory").get());
  g->put_OutputFormat(Bstr(u"png").get());
  g->DrawBarGraph();
  tessaloom::SAFEARRAY* image = nullptr;
  g->get_ImageData(&image);
  std::printf("memory: %u bytes, %s, LastError \"%s\"\n", image != nullptr ? image->cElements : 0u,
              Text(*g.get(), &IGraphGenerator2::get_ImageMimeType).c_str(),
              Text(*g.get(), &IGraphGenerator2::get_LastError).c_str());
  tessaloom::SafeArrayDestroy(image);

  // The same chart as a file. BstrFromUtf8 makes a BSTR that Adopt takes over.
  const char* folder = argc > 1 ? argv[1] : ".";
  g->put_OutputTarget(Bstr(u"file").get());
  g->put_FilePath(Bstr::Adopt(tessaloom::BstrFromUtf8(folder)).get());
  g->put_FileName(Bstr(u"sales.png").get());
  g->DrawBarGraph();
  const std::string drawn = Text(*g.get(), &IGraphGenerator2::get_LastError);
  std::printf("file: %s/sales.png, LastError \"%s\"\n", folder, drawn.c_str());

  // A refused value: the call fails, and LastError says why.
  const tessaloom::HRESULT hr = g->put_OutputFormat(Bstr(u"gif").get());
  std::printf("OutputFormat \"gif\": %s, LastError \"%s\"\n",
              tessaloom::FAILED(hr) ? "refused" : "taken",
              Text(*g.get(), &IGraphGenerator2::get_LastError).c_str());
  return drawn.empty() ? 0 : 1;
}
