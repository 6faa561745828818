#include "image/save_image.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

#include "image/png_codec.h"
#include "platform/system_error.h"
#include "tests/support/image_files.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

// Folders may end in '/' or be relative; the current directory stays.
TEST(SaveImageTest, WritesWhereToldOrGivesTheMessageAndWritesNothing) {
  ScratchDir dir;
  dir.Write("plain.txt", "x");
  std::filesystem::create_directory(dir / "Folder.bmp");
  std::filesystem::create_directory(dir / "out.d");
  ASSERT_EQ(::mkfifo((dir / "Pipe.bmp").c_str(), 0600), 0);
  sockaddr_un socketName{AF_UNIX, {}};
  (dir / "Socket.bmp").copy(socketName.sun_path, sizeof socketName.sun_path - 1);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&socketName), sizeof socketName), 0);
  const Canvas canvas = FPicture(5, 3);
  const Canvas empty;
  const std::filesystem::path before = std::filesystem::current_path();
  const std::string relative = std::filesystem::relative(dir / "out.d", before);
  ASSERT_NE(relative.front(), '/');
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
      {"folder ending in /", dir.Path() + "/", "A.png", &canvas, ""},
      {"relative folder", relative, "B.jpg", &canvas, ""},
      {"relative, no name", relative, "C", &canvas, ""},
      {"FIFO in the way", dir.Path(), "Pipe.bmp", &canvas, notRegular},
      {"socket in the way", dir.Path(), "Socket.bmp", &canvas, notRegular},
  };
  for (const auto& [label, filePath, fileName, source, message] : cases) {
    std::string errorText = "from an earlier draw";  // a success leaves it alone
    EXPECT_EQ(SaveImage(source, filePath, fileName, errorText), message.empty()) << label;
    EXPECT_EQ(errorText, message.empty() ? "from an earlier draw" : message) << label;
  }
  ::close(sock);
  EXPECT_EQ(std::filesystem::current_path(), before);
  EXPECT_EQ(Names(dir.Path()),
            (Strings{"A.bmp", "Folder.bmp", "Pipe.bmp", "Socket.bmp", "out.d", "plain.txt"}));
  EXPECT_EQ(Names(dir / "out.d"), (Strings{"B.jpg", "bmp"}));
  EXPECT_EQ(ReadAll(dir / "A.bmp").size(), 14u + 40 + 5 * 3 * 4);
  // A link at the name is itself replaced; nothing is written through it.
  std::filesystem::create_symlink("plain.txt", dir / "Link.bmp");
  std::string errorText;
  EXPECT_TRUE(SaveImage(&canvas, dir.Path(), "Link.bmp", errorText)) << errorText;
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(dir / "Link.bmp")));
  EXPECT_EQ(ReadAll(dir / "plain.txt"), Bytes{'x'});
}

// A document takes the images' checks and replacing write, under its name as given.
TEST(SaveImageTest, DocumentsTakeTheImagesChecksAndKeepTheirName) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "inside");
  const Bytes document{'%', 'P', 'D', 'F'};
  const OutputLimit limit{std::filesystem::canonical(dir / "inside").string(), "Refused"};
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

TEST(SaveImageTest, FailedWriteKeepsThePreviousFileAndLeavesNoTemporaryFile) {
  ScratchDir dir;
  const Canvas canvas = FPicture(300, 200), other = FPicture(200, 300);
  FaultyFiles fullDisk;
  fullDisk.writeLimit = 1000;  // less than either file
  for (const char* name : {"Graph.jpg", "Graph.bmp"}) {
    std::string errorText;
    ASSERT_TRUE(SaveImage(&canvas, dir.Path(), name, errorText)) << errorText;
    const Bytes previous = ReadAll(dir / name);
    EXPECT_FALSE(SaveImage(&other, dir.Path(), name, errorText, fullDisk)) << name;
    EXPECT_EQ(errorText, "Unable to write file: No space left on device") << name;
    EXPECT_EQ(ReadAll(dir / name), previous) << name;
  }
  EXPECT_EQ(Names(dir.Path()), (Strings{"Graph.bmp", "Graph.jpg"}));
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

// Every format in memory decodes to the canvas.
bool Decode(ImageFormat format, const Bytes& bytes, PackedBitmap& out, std::string& error) {
  return format == ImageFormat::kPng    ? DecodePng(bytes, out, error)
         : format == ImageFormat::kJpeg ? DecodeJpeg(bytes, out, error)
                                        : ReadBmp(bytes, out, error);
}

// `colors` colours in shifted stripes: PNG writes 4-bit, 8-bit palette or RGB
// rows as the count grows past 16 and 256.
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
      Bytes low;  // the quality counts
      ASSERT_TRUE(EncodeImageToMemory(&canvas, "x", {format, 5}, low, written, error));
      EXPECT_TRUE(!lossy || low.size() < memory.size());
    }
  }
}

TEST(FileSystemTest, ReadsOnlyRegularFilesUpToTheBoundAndTellsErrorsInTheSystemsWords) {
  ScratchDir dir;
  dir.Write("f", Bytes(100, 7));
  std::vector<std::uint8_t> out;
  std::string error;
  ASSERT_TRUE(FileSystem::Default().ReadFile(dir / "f", 100, out, error)) << error;
  EXPECT_EQ(out, Bytes(100, 7));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);  // no writer: a read would wait
  for (const auto& [name, message] : {std::pair{"f", "the file is too large"},
                                      {"missing", "No such file or directory"},
                                      {"fifo", "not a regular file"}}) {
    EXPECT_FALSE(FileSystem::Default().ReadFile(dir / name, 99, out, error)) << name;
    EXPECT_EQ(error, std::string("Unable to read file: ") + message);
  }
  // A file's error is told in the system's words; a code it has no text for, by its number.
  EXPECT_EQ(SystemErrorText(ENODATA), "No data available");
  EXPECT_EQ(SystemErrorText(-2147483647 - 1),
            "The system cannot find error message for error number -2147483648");
}

}  // namespace
}  // namespace tessaloom
