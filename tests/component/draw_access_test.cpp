// A Draw refused by the hosting access check leaves its message, draws nothing, returns S_OK.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "platform/text.h"
#include "tessaloom/request_context.h"
#include "tests/support/generator.h"
#include "tests/support/scratch_dir.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

const std::string kRefused =
    "Please contact your hosting administrator, as you are not allowed to use ";
const std::string kNonSeries = kRefused + "Non Series Graphs method of Tessaloom component";

// Makes `link` a link to `target`, replacing any link there in one step.
void PointTo(const std::string& link, const std::string& target) {
  std::filesystem::create_directory_symlink(target, link + ".next");
  std::filesystem::rename(link + ".next", link);
}

// Turns `link` elsewhere after the check, then writes the chart as a draw does.
struct SwappingRenderer final : ChartRenderer {
  void Render(CGraph& graph) override {
    PointTo(link, target);
    Canvas canvas;
    std::string message;
    if (!Canvas::Create(8, 8, canvas, message) ||
        SaveImage(&canvas, graph.filePath, graph.fileName, message, FileSystem::Default(),
                  graph.outputLimit) == 0) {
      graph.SetErrorText(message);
    }
  }
  std::string link, target;
};

// A restricted host on disk attacked as a page would (page path, CGI variables, FilePath, FileName,
// links, UTF-16 settings): "allowed" may draw into its folder, "refused" nothing.
TEST(HostileSiteTest, NoAttackDrawsOutsideTheSiteOrAsAnotherSite) {
  ScratchDir dir;
  RegistryFileScope registry;
  for (const char* folder : {"www/allowed/img", "www/refused", "elsewhere"})
    std::filesystem::create_directories(dir / folder);
  std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "www/allowed/link");
  // The settings files, in UTF-8 or (with CR LF line ends) in UTF-16.
  const auto writeSettings = [&](bool utf16) {
    const auto as = [&](std::string text) {
      for (std::size_t at; (at = text.find("@DIR@")) != std::string::npos;)
        text.replace(at, 5, dir.Path());
      for (std::size_t at = 0; utf16 && (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.replace(at, 1, "\r\n");
      return utf16 ? EncodeUtf16LeFile(text) : text;
    };
    registry.Write(
        as("Windows Registry Editor Version 5.00\n\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen]\n"
           "\"InstallationPath\"=\"@DIR@/install\"\n\"EnableGatehold\"=dword:00000001\n"));
    dir.Write("install/Admin.ini", as("[Settings]\nInstalled=Tessaloom\nApplied=Tessaloom\n"));
    dir.Write("install/WebSite.ini",
              as("[Path]\nallowed=@DIR@/www/allowed\nrefused=@DIR@/www/refused\n"
                 "[Security]\nallowed=Tessaloom\nrefused=\n[allowed]\nTessaloom=All\n"));
  };
  const auto written = [&] {  // every file but the settings
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
      if (entry.is_regular_file() && entry.path().parent_path() != dir / "install")
        files.insert(entry.path().string());
    }
    return files;
  };
  const auto cgi = [](std::string script, std::string translated) {
    return [=] {
      if (!script.empty()) ::setenv("SCRIPT_FILENAME", script.c_str(), 1);
      if (!translated.empty()) ::setenv("PATH_TRANSLATED", translated.c_str(), 1);
    };
  };
  const std::string allowed = dir / "www/allowed", refused = dir / "www/refused";
  const std::string page = allowed + "/p.py", refusedSite = kRefused + "Tessaloom component";
  const auto in = [&](const std::string& path) { return kNonSeries + " in " + path + " path"; };
  struct Attack {
    const char* what;
    std::function<void()> setup;
    std::optional<std::string> page;  // nullopt: no host's request
    std::string filePath, fileName;
    std::string message;  // empty: drawn (into filePath/fileName for a file)
    ChartRenderer* renderer = nullptr;
    const char16_t* target = u"file";
    HRESULT (CGraphGenerator::*draw)() noexcept = &CGraphGenerator::DrawBarGraph;
  };
  SwappingRenderer swapper;
  swapper.link = allowed + "/swap";
  swapper.target = dir / "elsewhere";
  const Attack attacks[] = {
      {"own folder", nullptr, page, allowed, "g.bmp", ""},
      {"subfolder", nullptr, page, allowed, "img/g.bmp", ""},
      {"link in FileName", nullptr, page, allowed, "link/z.bmp", in(allowed + "/link/z.bmp")},
      {"link as FilePath", nullptr, page, allowed + "/link", "z.bmp", in(allowed + "/link")},
      {"swapped link", [&] { PointTo(allowed + "/swap", allowed + "/img"); }, page,
       allowed + "/swap", "g.bmp", in(allowed + "/swap/g.bmp"), &swapper},
      {"stepping out", nullptr, allowed + "/../refused/p.py", refused, "g.bmp", refusedSite},
      {"CGI: script wins", cgi(refused + "/cgi-bin/chart.py", allowed + "/x"), std::nullopt,
       allowed, "g.bmp", refusedSite},
      {"CGI translation", cgi("", refused + "/../allowed/p.py"), std::nullopt, allowed, "g.bmp",
       ""},
      {"UTF-16", [&] { writeSettings(true); }, refused + "/p.py", refused, "g.bmp", refusedSite},
      {"memory, folder elsewhere", nullptr, page, dir / "elsewhere", "g.bmp", "", nullptr,
       u"memory"},
      // Without series this method returns S_FALSE, but the check comes first.
      {"no page, series group", nullptr, std::nullopt, allowed, "g.bmp",
       "No data available( Unable to proceed further as calling request object not found. "
       "Please free Tessaloom component from Quillfen Gatehold to make Series Graphs method "
       "successfull. )",
       nullptr, u"file", &CGraphGenerator::DrawStackedBarSeriesGraph},
  };
  for (const Attack& a : attacks) {
    writeSettings(false);
    if (a.setup) a.setup();
    std::optional<RequestScope> request;
    if (a.page) request.emplace(*a.page);
    auto g = NewGenerator();
    g->graph.renderer = a.renderer;
    g->put_FilePath(B(Utf8ToUtf16(a.filePath)).get());
    g->put_FileName(B(Utf8ToUtf16(a.fileName)).get());
    g->put_OutputTarget(B(a.target).get());
    g->AddData(B(u"Jan").get(), 10.0f);
    EXPECT_EQ((g.get()->*a.draw)(), S_OK);
    EXPECT_EQ(ErrorReasonOf(*g), a.message) << a.what;
    const std::string drawn = a.filePath + "/" + a.fileName;
    const bool toFile = a.target == std::u16string_view(u"file");
    const bool file = a.message.empty() && toFile, memory = a.message.empty() && !toFile;
    EXPECT_EQ(written(), file ? std::set<std::string>{drawn} : std::set<std::string>{}) << a.what;
    EXPECT_EQ(g->graph.imageBytes.empty(), !memory) << a.what;
    std::filesystem::remove(drawn);
    ::unsetenv("SCRIPT_FILENAME");
    ::unsetenv("PATH_TRANSLATED");
  }
}

}  // namespace
}  // namespace tessaloom
