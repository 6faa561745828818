#include "image/save_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/image/image_test_support.h"

namespace tessaloom {
namespace {

using image_test::FaultyFiles;
using image_test::FPicture;
using image_test::Names;
using image_test::ReadAll;
using image_test::ScratchDir;
using image_test::WriteAll;
using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
         std::uint32_t{b[at + 3]} << 24;
}

TEST(SaveImageTest, FailuresGiveTheirMessagesAndWriteNothing) {
  ScratchDir dir;
  WriteAll(dir / "plain.txt", Bytes{'x'});
  std::filesystem::create_directory(dir / "Folder.bmp");
  const Canvas canvas = FPicture(10, 10);
  const Canvas empty;
  struct Case {
    const char* label;
    std::string filePath;
    std::string fileName;
    const Canvas* canvas;
    std::string message;
  };
  const Case cases[] = {
      {"missing folder", dir / "missing", "Graph.bmp", &canvas, "Invalid File Path"},
      {"folder is a file", dir / "plain.txt", "Graph.bmp", &canvas, "Invalid File Path"},
      {"empty folder", "", "Graph.bmp", &canvas, "Invalid File Path"},
      {"NUL in folder", dir.path() + '\0', "Graph.bmp", &canvas, "Invalid File Path"},
      {"path checked first", dir / "missing", "", nullptr, "Invalid File Path"},
      {"no canvas", dir.path(), "", nullptr, "No DC Avaiable"},
      {"no name", dir.path(), "", &canvas, "File Name missing"},
      {"no pixels", dir.path(), "Graph.bmp", &empty, "Unable to convert DDB to DIB"},
      {"missing subfolder", dir.path(), "sub/Graph.bmp", &canvas,
       "Unable to open file for writing"},
      {"file as subfolder", dir.path(), "plain.txt/Graph.jpg", &canvas,
       "Unable to open file for writing"},
      {"NUL in name", dir.path(), std::string("G\0.bmp", 6), &canvas,
       "Unable to open file for writing"},
      // Written in full, then the rename into place fails.
      {"name too long", dir.path(), std::string(300, 'n') + ".bmp", &canvas,
       "Unable to open file for writing"},
      {"folder in the way", dir.path(), "Folder.bmp", &canvas, "Unable to open file for writing"},
  };
  for (const Case& c : cases) {
    std::string errorText;
    EXPECT_EQ(SaveImage(c.canvas, c.filePath, c.fileName, errorText), false) << c.label;
    EXPECT_EQ(errorText, c.message) << c.label;
  }
  EXPECT_EQ(Names(dir.path()), (Strings{"Folder.bmp", "plain.txt"}));
}

// A document goes through the same checks and the same replacing write,
// under its name exactly as given; a refused folder keeps it out.
TEST(SaveImageTest, DocumentsTakeTheImagesChecksAndKeepTheirName) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "inside");
  const Bytes document{'%', 'P', 'D', 'F'};
  const OutputLimit limit{std::filesystem::canonical(dir / "inside").string(), "Refused"};
  struct Case {
    const char* label;
    std::string filePath;
    std::string fileName;
    OutputLimit limit;
    std::string message;  // "" when written
  };
  const Case cases[] = {
      {"missing folder", dir / "missing", "a.pdf", {}, "Invalid File Path"},
      {"no name", dir.path(), "", {}, "File Name missing"},
      {"missing subfolder", dir.path(), "sub/a.svg", {}, "Unable to open file for writing"},
      {"outside the limit", dir.path(), "a.pdf", limit, "Refused"},
      {"inside the limit", dir / "inside", "chart.bin", limit, ""},
      {"no name rule", dir.path(), "chart", {}, ""},
  };
  for (const Case& c : cases) {
    std::string errorText;
    EXPECT_EQ(
        SaveDocument(document, c.filePath, c.fileName, errorText, FileSystem::Default(), c.limit),
        c.message.empty())
        << c.label;
    EXPECT_EQ(errorText, c.message) << c.label;
  }
  EXPECT_EQ(Names(dir.path()), (Strings{"chart", "inside"}));
  EXPECT_EQ(ReadAll(dir / "inside/chart.bin"), document);
}

TEST(SaveImageTest, OutputNameFollowsTheExtension) {
  const std::pair<const char*, ImageOutput> cases[] = {
      {"d/Graph.jpg", {"d/Graph.jpg", true}},   {"d/Graph.JPG", {"d/Graph.JPG", true}},
      {"d/Graph.jPg", {"d/Graph.jPg", true}},   {"d/Graph.bmp", {"d/Graph.bmp", false}},
      {"d/Graph.BMP", {"d/Graph.bmp", false}},  {"d/Graph.png", {"d/Graph.bmp", false}},
      {"d/Graph.jpeg", {"d/Graph.bmp", false}}, {"d/a.jpg.png", {"d/a.jpg.bmp", false}},
      {"d/Graph.", {"d/Graph.bmp", false}},     {"d/Graph", {"d/bmp", false}},
      {"d.x/Graph", {"d.x/bmp", false}},        {"d//Graph.jpg", {"d//Graph.jpg", true}},
  };
  for (const auto& [full, want] : cases) {
    const ImageOutput got = ChooseImageOutput(full);
    EXPECT_EQ(got.path, want.path) << full;
    EXPECT_EQ(got.jpeg, want.jpeg) << full;
  }
}

TEST(SaveImageTest, ChartBmpHasTheStatedLayoutAndPixels) {
  ScratchDir dir;
  Canvas canvas = FPicture(500, 350);
  canvas.SetPixel(123, 45, 0x123456);  // R 0x56, G 0x34, B 0x12
  std::string errorText = "from an earlier draw";
  ASSERT_EQ(SaveImage(&canvas, dir.path(), "Graph.bmp", errorText), true);
  EXPECT_EQ(errorText, "from an earlier draw");
  const Bytes bmp = ReadAll(dir / "Graph.bmp");
  ASSERT_EQ(bmp.size(), 14u + 40 + 500 * 350 * 4);
  EXPECT_EQ((Bytes{bmp[0], bmp[1]}), (Bytes{'B', 'M'}));
  EXPECT_EQ(Le32(bmp, 2), bmp.size());
  EXPECT_EQ(Le32(bmp, 10), 54u);
  EXPECT_EQ(Le32(bmp, 14), 40u);
  EXPECT_EQ(Le32(bmp, 18), 500u);
  EXPECT_EQ(Le32(bmp, 22), 350u);  // positive: bottom-up
  EXPECT_EQ(bmp[28], 32);
  EXPECT_EQ(Le32(bmp, 34), 500u * 350 * 4);
  // Pixel (123, 45) is in stored row 350 - 1 - 45, as B, G, R, 0.
  const std::size_t at = 54 + (350 - 1 - 45) * 2000 + 123 * 4;
  EXPECT_EQ(Le32(bmp, at), 0x00563412u);
  EXPECT_EQ(Le32(bmp, 54), 0x000000FFu);  // bottom left blue: B, G, R, 0
}

TEST(SaveImageTest, FoldersMayEndInSlashOrBeRelativeAndTheCurrentDirectoryStays) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "out.d");
  const Canvas canvas = FPicture(5, 3);
  const std::filesystem::path before = std::filesystem::current_path();
  const std::string relative = std::filesystem::relative(dir / "out.d", before);
  ASSERT_NE(relative.front(), '/');
  std::string errorText;
  EXPECT_EQ(SaveImage(&canvas, dir.path() + "/", "A.png", errorText), true) << errorText;
  EXPECT_EQ(SaveImage(&canvas, relative, "B.jpg", errorText), true) << errorText;
  EXPECT_EQ(SaveImage(&canvas, relative, "C", errorText), true) << errorText;
  EXPECT_EQ(std::filesystem::current_path(), before);
  EXPECT_EQ(Names(dir.path()), (Strings{"A.bmp", "out.d"}));
  EXPECT_EQ(Names(dir / "out.d"), (Strings{"B.jpg", "bmp"}));
  EXPECT_EQ(ReadAll(dir / "A.bmp").size(), 14u + 40 + 5 * 3 * 4);
}

TEST(SaveImageTest, FailedWriteKeepsThePreviousFileAndLeavesNoTemporaryFile) {
  ScratchDir dir;
  const Canvas canvas = FPicture(300, 200);
  std::string errorText;
  ASSERT_EQ(SaveImage(&canvas, dir.path(), "Graph.jpg", errorText), true);
  ASSERT_EQ(SaveImage(&canvas, dir.path(), "Graph.bmp", errorText), true);
  const Bytes jpeg = ReadAll(dir / "Graph.jpg");
  const Bytes bmp = ReadAll(dir / "Graph.bmp");
  const Canvas other = FPicture(200, 300);
  FaultyFiles fullDisk;
  fullDisk.writeLimit = 1000;  // less than either file
  for (const char* name : {"Graph.jpg", "Graph.bmp"}) {
    EXPECT_EQ(SaveImage(&other, dir.path(), name, errorText, fullDisk), false) << name;
    EXPECT_EQ(errorText, "Unable to write file: No space left on device") << name;
  }
  EXPECT_EQ(Names(dir.path()), (Strings{"Graph.bmp", "Graph.jpg"}));
  EXPECT_EQ(ReadAll(dir / "Graph.jpg"), jpeg);
  EXPECT_EQ(ReadAll(dir / "Graph.bmp"), bmp);
}

TEST(SaveImageTest, ThreadsSavingIntoOneFolderAtOnceAllSucceed) {
  ScratchDir dir;
  constexpr int kThreads = 4;
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&dir, &failures, t] {
      const Canvas canvas = FPicture(50 + t, 40);
      const std::string own = "T" + std::to_string(t);
      int& failed = failures[static_cast<std::size_t>(t)];
      for (int round = 0; round < 10; ++round) {
        std::string errorText;
        failed +=
            SaveImage(&canvas, dir.path(), own + (round % 2 ? ".jpg" : ".bmp"), errorText) != 1;
        failed += SaveImage(&canvas, dir.path(), "Shared.bmp", errorText) != 1;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
  Strings expected = {"Shared.bmp"};
  for (int t = 0; t < kThreads; ++t) {
    expected.push_back("T" + std::to_string(t) + ".bmp");
    expected.push_back("T" + std::to_string(t) + ".jpg");
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(dir.path()), expected);
  // The shared file is one thread's whole picture.
  const Bytes shared = ReadAll(dir / "Shared.bmp");
  ASSERT_GE(shared.size(), 54u);
  EXPECT_EQ(shared.size(), 54 + 4 * 40 * Le32(shared, 18));
}

}  // namespace
}  // namespace tessaloom
