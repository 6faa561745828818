#include "image/save_image.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

#include "image/png_codec.h"
#include "tests/support/image_files.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

TEST(SaveImageTest, FailuresGiveTheirMessagesAndWriteNothing) {
  ScratchDir dir;
  dir.Write("plain.txt", "x");
  std::filesystem::create_directory(dir / "Folder.bmp");
  ASSERT_EQ(::mkfifo((dir / "Pipe.bmp").c_str(), 0600), 0);
  sockaddr_un socketName{AF_UNIX, {}};
  (dir / "Socket.bmp").copy(socketName.sun_path, sizeof socketName.sun_path - 1);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&socketName), sizeof socketName), 0);
  const Canvas canvas = FPicture(10, 10);
  const Canvas empty;
  const char* const kOpen = "Unable to open file for writing";
  const std::string notRegular = kOpen + std::string(
                                             ": the name is a device, FIFO or socket, "
                                             "not a regular file");
  const std::tuple<const char*, std::string, std::string, const Canvas*, std::string> cases[] = {
      {"folder is a file", dir / "plain.txt", "Graph.bmp", &canvas, "Invalid File Path"},
      {"empty folder", "", "Graph.bmp", &canvas, "Invalid File Path"},
      {"NUL in folder", dir.Path() + '\0', "Graph.bmp", &canvas, "Invalid File Path"},
      {"path checked first", dir / "missing", "", nullptr, "Invalid File Path"},
      {"no canvas", dir.Path(), "", nullptr, "No DC Avaiable"},
      {"no pixels", dir.Path(), "Graph.bmp", &empty, "Unable to convert DDB to DIB"},
      {"missing subfolder", dir.Path(), "sub/Graph.bmp", &canvas, kOpen},
      {"file as subfolder", dir.Path(), "plain.txt/Graph.jpg", &canvas, kOpen},
      {"NUL in name", dir.Path(), std::string("G\0.bmp", 6), &canvas, kOpen},
      // Written in full, then the rename into place fails.
      {"name too long", dir.Path(), std::string(300, 'n') + ".bmp", &canvas, kOpen},
      {"folder in the way", dir.Path(), "Folder.bmp", &canvas, kOpen},
      {"FIFO in the way", dir.Path(), "Pipe.bmp", &canvas, notRegular},
      {"socket in the way", dir.Path(), "Socket.bmp", &canvas, notRegular},
  };
  for (const auto& [label, filePath, fileName, source, message] : cases) {
    std::string errorText;
    EXPECT_FALSE(SaveImage(source, filePath, fileName, errorText)) << label;
    EXPECT_EQ(errorText, message) << label;
  }
  ::close(sock);
  EXPECT_EQ(Names(dir.Path()), (Strings{"Folder.bmp", "Pipe.bmp", "Socket.bmp", "plain.txt"}));
  // A link at the name is itself replaced; nothing is written through it.
  std::filesystem::create_symlink("plain.txt", dir / "Link.bmp");
  std::string errorText;
  EXPECT_TRUE(SaveImage(&canvas, dir.Path(), "Link.bmp", errorText)) << errorText;
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(dir / "Link.bmp")));
  EXPECT_EQ(ReadAll(dir / "plain.txt"), Bytes{'x'});
}

// A document goes through the images' checks (one opening of the file) and
// the same replacing write, under its name exactly as given; a refused folder
// keeps it out.
TEST(SaveImageTest, DocumentsTakeTheImagesChecksAndKeepTheirName) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "inside");
  const Bytes document{'%', 'P', 'D', 'F'};
  const OutputLimit limit{std::filesystem::canonical(dir / "inside").string(), "Refused"};
  // Folder, name, limit, and the message ("" when written).
  const std::tuple<std::string, std::string, OutputLimit, std::string> cases[] = {
      {dir.Path(), "a.pdf", limit, "Refused"},
      {dir / "inside", "chart.bin", limit, ""},
      {dir.Path(), "chart", {}, ""}};  // no name rule
  for (const auto& [filePath, fileName, folderLimit, message] : cases) {
    std::string errorText;
    EXPECT_EQ(
        SaveDocument(document, filePath, fileName, errorText, FileSystem::Default(), folderLimit),
        message.empty())
        << fileName;
    EXPECT_EQ(errorText, message) << fileName;
  }
  EXPECT_EQ(Names(dir.Path()), (Strings{"chart", "inside"}));
  EXPECT_EQ(ReadAll(dir / "inside/chart.bin"), document);
}

// A name ending in "jpg" in any case is a JPEG as given; every other changes to a BMP.
TEST(SaveImageTest, OutputNameFollowsTheExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"d/Graph.jpg", "d/Graph.jpg"},  {"d/Graph.jPg", "d/Graph.jPg"},
      {"d/Graph.BMP", "d/Graph.bmp"},  {"d/Graph.png", "d/Graph.bmp"},
      {"d/Graph.jpeg", "d/Graph.bmp"}, {"d/a.jpg.png", "d/a.jpg.bmp"},
      {"d/Graph.", "d/Graph.bmp"},     {"d/Graph", "d/bmp"},
      {"d.x/Graph", "d.x/bmp"},        {"d//Graph.jpg", "d//Graph.jpg"},
  };
  for (const auto& [full, path] : cases) {
    const ImageOutput got = ChooseImageOutput(full);
    EXPECT_EQ(std::pair(got.path, got.jpeg), std::pair(std::string(path), got.path == full));
  }
}

TEST(SaveImageTest, FoldersMayEndInSlashOrBeRelativeAndTheCurrentDirectoryStays) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "out.d");
  const Canvas canvas = FPicture(5, 3);
  const std::filesystem::path before = std::filesystem::current_path();
  const std::string relative = std::filesystem::relative(dir / "out.d", before);
  ASSERT_NE(relative.front(), '/');
  std::string errorText = "from an earlier draw";  // success leaves it alone
  EXPECT_EQ(SaveImage(&canvas, dir.Path() + "/", "A.png", errorText), true);
  EXPECT_EQ(errorText, "from an earlier draw");
  EXPECT_EQ(SaveImage(&canvas, relative, "B.jpg", errorText), true) << errorText;
  EXPECT_EQ(SaveImage(&canvas, relative, "C", errorText), true) << errorText;
  EXPECT_EQ(std::filesystem::current_path(), before);
  EXPECT_EQ(Names(dir.Path()), (Strings{"A.bmp", "out.d"}));
  EXPECT_EQ(Names(dir / "out.d"), (Strings{"B.jpg", "bmp"}));
  EXPECT_EQ(ReadAll(dir / "A.bmp").size(), 14u + 40 + 5 * 3 * 4);
}

TEST(SaveImageTest, FailedWriteKeepsThePreviousFileAndLeavesNoTemporaryFile) {
  ScratchDir dir;
  const Canvas canvas = FPicture(300, 200);
  std::string errorText;
  ASSERT_EQ(SaveImage(&canvas, dir.Path(), "Graph.jpg", errorText), true);
  ASSERT_EQ(SaveImage(&canvas, dir.Path(), "Graph.bmp", errorText), true);
  const Bytes jpeg = ReadAll(dir / "Graph.jpg");
  const Bytes bmp = ReadAll(dir / "Graph.bmp");
  const Canvas other = FPicture(200, 300);
  FaultyFiles fullDisk;
  fullDisk.writeLimit = 1000;  // less than either file
  for (const char* name : {"Graph.jpg", "Graph.bmp"}) {
    EXPECT_EQ(SaveImage(&other, dir.Path(), name, errorText, fullDisk), false) << name;
    EXPECT_EQ(errorText, "Unable to write file: No space left on device") << name;
  }
  EXPECT_EQ(Names(dir.Path()), (Strings{"Graph.bmp", "Graph.jpg"}));
  EXPECT_EQ(ReadAll(dir / "Graph.jpg"), jpeg);
  EXPECT_EQ(ReadAll(dir / "Graph.bmp"), bmp);
}

TEST(SaveImageTest, ThreadsSavingIntoOneFolderAtOnceAllSucceed) {
  ScratchDir dir;
  std::vector<int> failures(4, 0);
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&dir, &failures, t] {
        const Canvas canvas = FPicture(50 + t, 40);
        for (int round = 0; round < 10; ++round) {
          std::string errorText, own = "T" + std::to_string(t) + (round % 2 ? ".jpg" : ".bmp");
          failures[std::size_t(t)] += !SaveImage(&canvas, dir.Path(), own, errorText) +
                                      !SaveImage(&canvas, dir.Path(), "Shared.bmp", errorText);
        }
      });
    }
  }
  EXPECT_EQ(failures, std::vector<int>(4, 0));
  EXPECT_EQ(Names(dir.Path()), (Strings{"Shared.bmp", "T0.bmp", "T0.jpg", "T1.bmp", "T1.jpg",
                                        "T2.bmp", "T2.jpg", "T3.bmp", "T3.jpg"}));
  // The shared file is one thread's whole picture.
  const Bytes shared = ReadAll(dir / "Shared.bmp");
  ASSERT_GE(shared.size(), 54u);
  EXPECT_EQ(shared.size(), 54 + 4 * 40 * std::size_t{shared[18]});  // widths 50..53 fit a byte
}

// Every output format in memory: the bytes decode to the canvas's pixels (BMP
// and PNG exactly, JPEG within its loss). That memory equals the file, under
// the name as given, is checked through Python (test_drawing.py).
bool Decode(ImageFormat format, const Bytes& bytes, PackedBitmap& out, std::string& error) {
  return format == ImageFormat::kPng    ? DecodePng(bytes, out, error)
         : format == ImageFormat::kJpeg ? DecodeJpeg(bytes, out, error)
                                        : ReadBmp(bytes, out, error);
}

// `colors` colours in vertical stripes of width 1 over a width x height
// canvas (then the pattern shifts per row): PNG writes 4-bit, 8-bit palette
// or RGB rows as the count grows past 16 and 256.
Canvas Stripes(std::int32_t width, std::int32_t height, std::uint32_t colors) {
  Canvas canvas = FPicture(width, height);
  for (std::uint32_t i = 0; i < std::uint32_t(width * height); ++i) {
    const std::uint32_t c = (i % std::uint32_t(width) + 3 * (i / std::uint32_t(width))) % colors;
    canvas.SetPixel(
        std::int32_t(i) % width, std::int32_t(i) / width,
        RGB(std::uint8_t(c * 7 % 256), std::uint8_t(c * 13 % 256), std::uint8_t(c / 2 % 256)));
  }
  return canvas;
}

TEST(ImageFormatsTest, EachFormatDecodesToTheCanvas) {
  const std::pair<ImageFormat, const char*> formats[] = {{ImageFormat::kBmp, "image/bmp"},
                                                         {ImageFormat::kPng, "image/png"},
                                                         {ImageFormat::kJpeg, "image/jpeg"}};
  // The stripes go past 16 colours and past 256.
  const Canvas pictures[] = {FPicture(1, 1), FPicture(5, 4), FPicture(37, 23), Stripes(41, 9, 17),
                             Stripes(40, 30, 300)};
  for (const auto& [format, mime] : formats) {
    const bool lossy = format == ImageFormat::kJpeg;  // then pixels away from edges, within 32
    for (const Canvas& canvas : pictures) {
      SCOPED_TRACE(std::string(mime) + " " + std::to_string(canvas.Width()));
      std::string error;
      Bytes memory;
      ImageFormat written = ImageFormat::kByName;
      ASSERT_TRUE(
          EncodeImageToMemory(&canvas, "ignored.bmp", {format, 90}, memory, written, error));
      EXPECT_STREQ(ImageMimeType(written), mime);
      PackedBitmap decoded;
      ASSERT_TRUE(Decode(format, memory, decoded, error)) << error;
      ASSERT_EQ(std::pair(decoded.Width(), decoded.Height()),
                std::pair(canvas.Width(), canvas.Height()));
      EXPECT_LE(LargestDifference(canvas, decoded, lossy), lossy ? 32 : 0);
    }
  }
}

TEST(ImageFormatsTest, JpegQualityCounts) {
  const Canvas canvas = FPicture(64, 48);
  std::string error;
  Bytes low, high;
  ImageFormat written = ImageFormat::kByName;
  ASSERT_TRUE(EncodeImageToMemory(&canvas, "x", {ImageFormat::kJpeg, 5}, low, written, error));
  ASSERT_TRUE(EncodeImageToMemory(&canvas, "x", {ImageFormat::kJpeg, 100}, high, written, error));
  EXPECT_LT(low.size(), high.size());
}

}  // namespace
}  // namespace tessaloom
