// The Draw methods run the hosting access check first: a refusal leaves its
// message in ErrorReason, draws nothing and still returns S_OK.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "access/settings_sources.h"
#include "platform/request_context.h"
#include "platform/text.h"
#include "tests/component/test_support.h"
#include "tests/platform/registry_file_scope.h"
#include "tests/support/scratch_dir.h"

namespace tessaloom {
namespace {

using test_support::ScratchDir;
using testing::B;
using testing::ErrorReasonOf;
using testing::NewGenerator;

class CountingRenderer final : public ChartRenderer {
 public:
  void Render(CGraph&) override { ++renders; }
  int renders = 0;
};

// A restricted host in memory whose site a (/srv/a) may use `groups`;
// the output folder lies outside the site, so only a memory target draws.
TEST(DrawAccessTest, TheMethodGroupIsCheckedFirstAndTheFolderOnlyForFiles) {
  const std::string refused =
      "Please contact your hosting administrator, as you are not allowed to use ";
  struct Case {
    HRESULT (CGraphGenerator::*draw)() noexcept;
    const char16_t* target;
    std::string groups;
    bool request;
    int renders;
    std::string message;
  };
  const Case cases[] = {
      {&CGraphGenerator::DrawBarGraph, u"Memory", "Non Series Graphs", true, 1, ""},
      {&CGraphGenerator::DrawBarGraph, u"file", "Non Series Graphs", true, 0,
       refused + "Non Series Graphs method of Tessaloom component in /elsewhere path"},
      {&CGraphGenerator::DrawBarGraph, u"memory", "Series Graphs", true, 0,
       refused + "Non Series Graphs method of Tessaloom component"},
      {&CGraphGenerator::DrawBarSeriesGraph, u"memory", "Series Graphs", true, 1, ""},
      // Without series this method returns S_FALSE, but the check comes first.
      {&CGraphGenerator::DrawStackedBarSeriesGraph, u"memory", "All", false, 0,
       "No data available( Unable to proceed further as calling request object not found. "
       "Please free Tessaloom component from Quillfen Gatehold to make Series Graphs method "
       "successfull. )"},
  };
  for (const Case& c : cases) {
    MemorySettingsSources sources;
    sources.SetInstallationPath("/q");
    sources.SetGatehold(1);
    sources.files["/q/Admin.ini"] = "[Settings]\nInstalled=Tessaloom\nApplied=Tessaloom\n";
    sources.files["/q/WebSite.ini"] =
        "[Path]\na=/srv/a\n[Security]\na=Tessaloom\n[a]\nTessaloom=" + c.groups;
    if (c.request) sources.request = "/srv/a/page.py";
    CountingRenderer renderer;
    auto g = NewGenerator();
    g->accessSettings = &sources;
    g->graph.renderer = &renderer;
    g->put_FilePath(B(u"/elsewhere").get());
    g->put_OutputTarget(B(c.target).get());
    g->AddData(B(u"Jan").get(), 10.0f);
    g->AddItemToSeries(B(u"Jan").get());
    if (c.renders > 0) g->AddSeries(B(u"Sales").get());
    EXPECT_EQ((g.get()->*c.draw)(), S_OK) << c.groups;
    EXPECT_EQ(renderer.renders, c.renders) << c.groups;
    EXPECT_EQ(ErrorReasonOf(*g), c.message) << c.groups;
  }
}

// Makes `link` a link to `target`, replacing any link there in one step.
void PointTo(const std::string& link, const std::string& target) {
  std::filesystem::create_directory_symlink(target, link + ".next");
  std::filesystem::rename(link + ".next", link);
}

// A restricted host set up as docs/hosting.md describes, on disk, attacked
// as a site's page would: through the page path, the CGI variables, FilePath,
// FileName, links inside the site and settings files in other encodings.
// Site "allowed" may draw into its folder; "refused" may not use the component.
class HostileSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"www/allowed/img", "www/refused", "elsewhere", "install"}) {
      std::filesystem::create_directories(dir_ / folder);
    }
    std::filesystem::create_directory_symlink(dir_ / "elsewhere", dir_ / "www/allowed/link");
    WriteSettings(false);
  }
  void TearDown() override {
    ::unsetenv("SCRIPT_FILENAME");
    ::unsetenv("PATH_TRANSLATED");
  }

  // The registry file and the two INI files, in UTF-8 with LF line ends or
  // in UTF-16LE with CR LF, as the registry editor and Windows tools write.
  void WriteSettings(bool utf16) {
    const auto write = [&](const std::string& file, std::string text) {
      for (std::size_t at; (at = text.find("@DIR@")) != std::string::npos;) {
        text.replace(at, 5, dir_.path());
      }
      for (std::size_t at = 0; utf16 && (at = text.find('\n', at)) != std::string::npos; at += 2) {
        text.replace(at, 1, "\r\n");
      }
      std::ofstream(file, std::ios::binary) << (utf16 ? EncodeUtf16LeFile(text) : text);
    };
    registry_.Write("");
    write(registry_.path(),
          "Windows Registry Editor Version 5.00\n\n"
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen]\n"
          "\"InstallationPath\"=\"@DIR@/install\"\n\"EnableGatehold\"=dword:00000001\n");
    write(dir_ / "install/Admin.ini", "[Settings]\nInstalled=Tessaloom\nApplied=Tessaloom\n");
    write(dir_ / "install/WebSite.ini",
          "[Path]\nallowed=@DIR@/www/allowed\nrefused=@DIR@/www/refused\n"
          "[Security]\nallowed=Tessaloom\nrefused=\n[allowed]\nTessaloom=All\n");
  }

  std::string Draw(const std::string& filePath, const std::string& fileName,
                   ChartRenderer* renderer = nullptr) {
    auto g = NewGenerator();
    g->graph.renderer = renderer;
    g->put_FilePath(B(Utf8ToUtf16(filePath)).get());
    g->put_FileName(B(Utf8ToUtf16(fileName)).get());
    g->put_GraphWidth(60);
    g->put_GraphHeight(40);
    g->AddData(B(u"Jan").get(), 10.0f);
    EXPECT_EQ(g->DrawBarGraph(), S_OK);
    return ErrorReasonOf(*g);
  }

  // Every file under www and elsewhere, settings and data left out.
  std::set<std::string> Written() {
    std::set<std::string> files;
    for (const char* top : {"www", "elsewhere"}) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_ / top)) {
        if (entry.is_regular_file()) files.insert(entry.path().string());
      }
    }
    return files;
  }

  ScratchDir dir_;
  testing::RegistryFileScope registry_;
};

// Turns `link` elsewhere after the check, then writes the chart as a draw
// does: the link changes between the check and the write.
class SwappingRenderer final : public ChartRenderer {
 public:
  SwappingRenderer(std::string link, std::string target)
      : link_(std::move(link)), target_(std::move(target)) {}
  void Render(CGraph& graph) override {
    PointTo(link_, target_);
    Canvas canvas;
    std::string message;
    if (!Canvas::Create(8, 8, canvas, message) ||
        SaveImage(&canvas, graph.filePath, graph.fileName, message, FileSystem::Default(),
                  graph.outputLimit) == 0) {
      graph.SetErrorText(message);
    }
  }

 private:
  std::string link_;
  std::string target_;
};

std::string Refused(const std::string& path) {
  return "Please contact your hosting administrator, as you are not allowed to use Non Series "
         "Graphs method of Tessaloom component in " +
         path + " path";
}

TEST_F(HostileSiteTest, NoAttackDrawsOutsideTheSiteOrAsAnotherSite) {
  const std::string www = dir_ / "www";
  const std::string allowed = www + "/allowed";
  const std::string refusedSite =
      "Please contact your hosting administrator, as you are not allowed to use Tessaloom "
      "component";
  const auto cgi = [](std::string script, std::string translated) {
    return [=] {
      if (!script.empty()) ::setenv("SCRIPT_FILENAME", script.c_str(), 1);
      if (!translated.empty()) ::setenv("PATH_TRANSLATED", translated.c_str(), 1);
    };
  };
  struct Attack {
    const char* what;
    std::function<void()> setup;
    std::optional<std::string> page;  // nullopt: no host's request
    std::string filePath;
    std::string fileName;
    std::string message;  // empty: drawn into filePath/fileName
    ChartRenderer* renderer = nullptr;
  };
  SwappingRenderer swapper(allowed + "/swap", dir_ / "elsewhere");
  const Attack attacks[] = {
      {"the site's own folder", nullptr, allowed + "/p.py", allowed, "g.bmp", ""},
      {"a subfolder named in FileName", nullptr, allowed + "/p.py", allowed, "img/g.bmp", ""},
      {"FileName through a link in the site", nullptr, allowed + "/p.py", allowed, "link/z.bmp",
       Refused(allowed + "/link/z.bmp")},
      {"FilePath a link in the site", nullptr, allowed + "/p.py", allowed + "/link", "z.bmp",
       Refused(allowed + "/link")},
      {"a link in the site swapped between the check and the write",
       [&] { PointTo(allowed + "/swap", allowed + "/img"); }, allowed + "/p.py", allowed + "/swap",
       "g.bmp", Refused(allowed + "/swap/g.bmp"), &swapper},
      {"a page path stepping into another site", nullptr, allowed + "/../refused/p.py",
       www + "/refused", "g.bmp", refusedSite},
      {"CGI: PATH_INFO translated into another site",
       cgi(www + "/refused/cgi-bin/chart.py", allowed + "/x"), std::nullopt, allowed, "g.bmp",
       refusedSite},
      {"CGI: the script of the allowed site", cgi(allowed + "/cgi-bin/chart.py", ""), std::nullopt,
       allowed, "g.bmp", ""},
      {"settings in UTF-16 with CR LF", [&] { WriteSettings(true); }, www + "/refused/p.py",
       www + "/refused", "g.bmp", refusedSite},
  };
  for (const Attack& a : attacks) {
    WriteSettings(false);
    if (a.setup) a.setup();
    std::optional<RequestScope> request;
    if (a.page) request.emplace(*a.page);
    EXPECT_EQ(Draw(a.filePath, a.fileName, a.renderer), a.message) << a.what;
    const std::string drawn = a.filePath + "/" + a.fileName;
    EXPECT_EQ(Written(), a.message.empty() ? std::set<std::string>{drawn} : std::set<std::string>{})
        << a.what;
    std::filesystem::remove(drawn);
    TearDown();
  }
}

}  // namespace
}  // namespace tessaloom
