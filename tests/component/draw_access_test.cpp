// The Draw methods run the hosting access check first: a refusal leaves its
// message in ErrorReason, draws nothing and still returns S_OK.
#include <gtest/gtest.h>

#include <string>

#include "access/settings_sources.h"
#include "tests/component/test_support.h"
#include "tests/platform/registry_file_scope.h"

namespace tessaloom {
namespace {

using testing::B;
using testing::ErrorReasonOf;
using testing::NewGenerator;

class CountingRenderer final : public ChartRenderer {
 public:
  void Render(CGraph& graph) override {
    ++renders;
    if (!fail.empty()) graph.SetErrorText(fail);
  }
  int renders = 0;
  std::string fail;
};

constexpr char kWebSite[] = "/opt/q/WebSite.ini";

class DrawAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sources_.SetInstallationPath("/opt/q");
    sources_.SetGatehold(1);
    sources_.files["/opt/q/Admin.ini"] = "[Settings]\nInstalled=Tessaloom\nApplied=Tessaloom\n";
    sources_.files[kWebSite] =
        "[Path]\na=/srv/www/a\n[Security]\na=Tessaloom\n[a]\nTessaloom=Series Graphs\n";
    sources_.request = "/srv/www/a/page.py";
    g_->accessSettings = &sources_;
    g_->graph.renderer = &renderer_;
    g_->put_FilePath(B(u"/srv/www/a/img").get());
    g_->AddData(B(u"Jan").get(), 10.0f);
    g_->AddItemToSeries(B(u"Jan").get());
    g_->AddSeries(B(u"Sales").get());
    g_->AddDataEx(5.0f);
  }

  MemorySettingsSources sources_;
  CountingRenderer renderer_;
  std::unique_ptr<ComObject<CGraphGenerator>> g_ = NewGenerator();
};

TEST_F(DrawAccessTest, ARefusedDrawDrawsNothingAndSucceeds) {
  EXPECT_EQ(g_->DrawPieGraph(), S_OK);
  EXPECT_EQ(renderer_.renders, 0);
  EXPECT_EQ(g_->methodGroup, "Non Series Graphs");
  EXPECT_EQ(ErrorReasonOf(*g_),
            "Please contact your hosting administrator, as you are not allowed to use Non Series "
            "Graphs method of Tessaloom component");
}

TEST_F(DrawAccessTest, SeriesMethodsAskForTheirOwnGroup) {
  EXPECT_EQ(g_->DrawBarSeriesGraph(), S_OK);
  EXPECT_EQ(renderer_.renders, 1);
  EXPECT_EQ(g_->methodGroup, "Series Graphs");
  EXPECT_EQ(ErrorReasonOf(*g_), "");
}

TEST_F(DrawAccessTest, ARefusedStackedSeriesDrawStillReturnsOk) {
  sources_.request.reset();
  // Without series the stacked methods return S_FALSE, but the check comes first.
  g_->ClearSeriesData();
  EXPECT_EQ(g_->DrawStackedBarSeriesGraph(), S_OK);
  EXPECT_EQ(renderer_.renders, 0);
  EXPECT_EQ(ErrorReasonOf(*g_),
            "No data available( Unable to proceed further as calling request object not found. "
            "Please free Tessaloom component from Quillfen Gatehold to make Series Graphs method "
            "successfull. )");
}

TEST_F(DrawAccessTest, TheRefusalOutlivesAllowedDrawsAndHidesEngineMessages) {
  ASSERT_EQ(g_->DrawBarGraph(), S_OK);
  const std::string refusal = ErrorReasonOf(*g_);
  ASSERT_FALSE(refusal.empty());

  sources_.files[kWebSite] = "[Path]\na=/srv/www/a\n[Security]\na=Tessaloom\n[a]\nTessaloom=All\n";
  renderer_.fail = "Invalid file path";
  EXPECT_EQ(g_->DrawBarGraph(), S_OK);
  EXPECT_EQ(renderer_.renders, 1);
  EXPECT_EQ(g_->graph.errorText, "Invalid file path");
  EXPECT_EQ(ErrorReasonOf(*g_), refusal);
}

TEST_F(DrawAccessTest, SettingsChangedBetweenCallsTakeEffectAtTheNextCall) {
  EXPECT_EQ(g_->DrawBarGraph(), S_OK);
  EXPECT_EQ(renderer_.renders, 0);
  sources_.files.erase("/opt/q/Admin.ini");
  EXPECT_EQ(g_->DrawBarGraph(), S_OK);
  EXPECT_EQ(renderer_.renders, 1);
}

TEST(DrawAccessPlatformTest, WithoutARegistryFileEveryDrawIsAllowed) {
  testing::RegistryFileScope registry;
  CountingRenderer renderer;
  auto g = NewGenerator();
  g->graph.renderer = &renderer;
  g->put_FilePath(B(u"/nowhere/in/particular").get());
  g->AddData(B(u"Jan").get(), 10.0f);
  EXPECT_EQ(g->DrawBarGraph(), S_OK);
  EXPECT_EQ(renderer.renders, 1);
  EXPECT_EQ(g->accessUnrestricted, 1);
  EXPECT_EQ(ErrorReasonOf(*g), "");
}

}  // namespace
}  // namespace tessaloom
