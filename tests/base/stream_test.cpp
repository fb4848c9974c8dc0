#include "base/error.hpp"
#include "base/file_stream.hpp"
#include "base/stream.hpp"
#include "tests/base/temp_dir.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace qt {
namespace {

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

std::string ReadAll(Stream& s) {
  std::string bytes(static_cast<std::size_t>(s.Size()), '\0');
  s.SetPosition(0);
  s.ReadExact(bytes.data(), bytes.size());
  return bytes;
}

TEST(MemoryStream, WritesOverwriteAndExtendAtThePosition) {
  MemoryStream s;
  s.Write("abcdef");
  s.SetPosition(4);
  s.Write("XYZ");
  EXPECT_EQ(s.Bytes(), "abcdXYZ");
  s.Seek(2, SeekOrigin::end);
  s.Write("!");
  EXPECT_EQ(s.Bytes(), std::string("abcdXYZ\0\0!", 10));
  s.Seek(-3, SeekOrigin::current);
  char two[2];
  EXPECT_EQ(s.Read(two, 2), 2u);
  EXPECT_EQ(std::string(two, 2), std::string("\0\0", 2));
  EXPECT_EQ(s.Read(two, 2), 1u);
  EXPECT_EQ(s.Read(two, 2), 0u);
}

TEST(MemoryStream, SeekBeforeTheStartThrowsAndKeepsThePosition) {
  MemoryStream s(std::string("abc"));
  s.SetPosition(1);
  EXPECT_THROW(s.Seek(-2, SeekOrigin::current), StreamError);
  EXPECT_THROW(s.Seek(-4, SeekOrigin::end), StreamError);
  EXPECT_EQ(s.Position(), 1u);
}

TEST(CopyBytes, CopiesExactlyTheCountFromBothPositionsAcrossChunkBoundaries) {
  for (std::size_t size : {0u, 1u, 65535u, 65536u, 65537u, 200003u}) {
    SCOPED_TRACE(size);
    const std::string source_bytes = Pattern(size + 10);
    MemoryStream from(source_bytes);
    MemoryStream to(std::string("head"));
    from.SetPosition(3);
    to.Seek(0, SeekOrigin::end);
    CopyBytes(from, to, size);
    EXPECT_EQ(to.Bytes(), "head" + source_bytes.substr(3, size));
    EXPECT_EQ(from.Position(), 3 + size);
  }
}

TEST(CopyBytes, ASourceThatEndsEarlyThrows) {
  MemoryStream from(Pattern(100000));
  MemoryStream to;
  from.SetPosition(10);
  EXPECT_THROW(CopyBytes(from, to, 99991), StreamError);
}

class FileStreamTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
};

TEST_F(FileStreamTest, CreateReplacesAnExistingFile) {
  const auto path = dir_ / "a.bin";
  std::ofstream(path, std::ios::binary) << "an older and longer content";
  {
    FileStream s(path, FileStream::Mode::create);
    EXPECT_EQ(s.Size(), 0u);
    s.Write("new");
  }
  FileStream s(path, FileStream::Mode::read);
  EXPECT_EQ(ReadAll(s), "new");
}

TEST_F(FileStreamTest, ReadsWritesAndSeeksLikeAMemoryStream) {
  const std::string bytes = Pattern(300000);
  FileStream file(dir_ / "b.bin", FileStream::Mode::create);
  MemoryStream memory;
  // Alternating writes and reads need the stream to switch direction on its own.
  for (Stream* s : {static_cast<Stream*>(&file), static_cast<Stream*>(&memory)}) {
    s->Write(bytes);
    s->SetPosition(1000);
    char probe[5];
    s->ReadExact(probe, 5);
    s->Write("XYZ");
    s->Seek(-10, SeekOrigin::end);
    s->ReadExact(probe, 5);
    s->Seek(4, SeekOrigin::end);
    s->Write("end");
  }
  EXPECT_EQ(file.Size(), memory.Size());
  EXPECT_EQ(ReadAll(file), memory.Bytes());
}

TEST_F(FileStreamTest, OpenFailuresNameTheFile) {
  const auto missing = dir_ / "missing.bin";
  try {
    FileStream s(missing, FileStream::Mode::read);
    FAIL() << "opened a missing file";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), missing);
  }
  EXPECT_THROW(FileStream(dir_ / "no folder" / "x.bin", FileStream::Mode::create), FileError);
}

TEST_F(FileStreamTest, AReadOnlyFileRefusesWrites) {
  const auto path = dir_ / "c.bin";
  std::ofstream(path, std::ios::binary) << "abc";
  FileStream s(path, FileStream::Mode::read);
  EXPECT_THROW(s.Write("x"), StreamError);
}

#ifdef _WIN32
TEST_F(FileStreamTest, AReaderLetsOthersReadButNotWrite) {
  const auto path = dir_ / "shared.bin";
  std::ofstream(path, std::ios::binary) << "abc";
  FileStream reader(path, FileStream::Mode::read);
  EXPECT_NO_THROW(FileStream(path, FileStream::Mode::read));
  EXPECT_THROW(FileStream(path, FileStream::Mode::create), FileError);
}
#endif

} // namespace
} // namespace qt
