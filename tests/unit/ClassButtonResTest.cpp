// The button resource table: the record format, the validity rules, the
// lookups and the write lock over an in-memory file system.
#include "panel/ClassButtonRes.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace orvanta {
namespace {

using testing::MemoryFiles;
using testing::Rec;

std::vector<std::string> Names(const std::vector<ButtonResRecord>& records) {
  std::vector<std::string> out;
  for (const auto& r : records) out.push_back(r.Name.bytes());
  return out;
}

TEST(ButtonResFormat, FieldsAreLittleEndianWithArrayHeaders) {
  ButtonResRecord r = Rec("A", "T", {"x", "yz"}, {7});
  const std::string bytes = WriteButtonResRecord(r);
  const std::string expected = std::string("\x01\x00" "A" "\x01\x00" "T", 6) +
                               std::string("\x01\x00" "\x02\x00\x00\x00" "\x00\x00\x00\x00", 10) +
                               std::string("\x01\x00" "x" "\x02\x00" "yz", 7) +
                               std::string("\x01\x00\x00\x00" "\x01\x00" "\x01\x00\x00\x00" "\x00\x00\x00\x00", 14) +
                               "\x07";
  EXPECT_EQ(bytes, expected);
  const auto back = ReadButtonResRecords(bytes);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].Disp, (std::vector<AnsiString>{"x", "yz"}));
  EXPECT_EQ(back[0].PicData, (std::vector<std::uint8_t>{7}));
}

ButtonResRecord WithPicSize(ButtonResRecord r, std::int32_t size) {
  r.PicSize = size;
  return r;
}

TEST(ButtonResFormat, AnInvalidRecordIsSkippedAndTheNextStillRead) {
  const struct {
    const char* name;
    ButtonResRecord middle;
    bool kept;
  } cases[] = {{"valid", Rec("mid"), true},
               {"no picture is valid", Rec("mid", "T", {"d"}, {}), true},
               {"PicSize 100 with 99 bytes", WithPicSize(Rec("mid", "T", {"d"}, std::vector<std::uint8_t>(99, 1)), 100),
                false},
               {"negative PicSize", WithPicSize(Rec("mid", "T", {"d"}, {}), -1), false},
               {"empty type", Rec("mid", ""), false},
               {"empty name", Rec(""), false},
               {"no display name", Rec("mid", "T", {}), false}};
  for (const auto& c : cases) {
    const std::string bytes =
        WriteButtonResRecord(Rec("first")) + WriteButtonResRecord(c.middle) + WriteButtonResRecord(Rec("last"));
    const std::vector<std::string> expected = c.kept ? std::vector<std::string>{"first", "mid", "last"}
                                                     : std::vector<std::string>{"first", "last"};
    EXPECT_EQ(Names(ReadButtonResRecords(bytes)), expected) << c.name;
  }
}

// Damage that leaves no way to find the next record: reading stops, what was
// read before stays.
TEST(ButtonResFormat, AfterDamageReadingStopsAndKeepsTheRecordsBefore) {
  // Layout of the second record: name at 0 (2+2), type at 4 (2+1), Disp
  // header at 7 (dims, count at 9, bound), name at 17 (2+1), PicSize at 20,
  // PicData header at 24 (dims, count at 26, bound), bytes at 34.
  const struct {
    const char* name;
    std::size_t offset;     // into the second record
    std::string overwrite;  // bytes put there
    std::size_t cutTo;      // length of the second record kept (npos: whole)
  } cases[] = {{"truncated in the name", 0, "", 3},
               {"truncated in the picture", 0, "", 36},
               {"name length past the end", 0, "\xff\xff", std::string::npos},
               {"display count in the millions", 9, std::string("\x00\x00\x40\x00", 4), std::string::npos},
               {"negative display count", 9, "\xff\xff\xff\xff", std::string::npos},
               {"picture count past the end", 26, std::string("\x00\x10\x00\x00", 4), std::string::npos},
               {"negative picture count", 26, "\xfe\xff\xff\xff", std::string::npos},
               {"two-dimensional array", 24, std::string("\x02\x00", 2), std::string::npos}};
  for (const auto& c : cases) {
    std::string second = WriteButtonResRecord(Rec("AB", "T", {"d"}, {1, 2, 3}));
    second.replace(c.offset, c.overwrite.size(), c.overwrite);
    if (c.cutTo != std::string::npos) second.resize(c.cutTo);
    EXPECT_EQ(Names(ReadButtonResRecords(WriteButtonResRecord(Rec("first")) + second)),
              std::vector<std::string>{"first"})
        << c.name;
  }
}

class ButtonResTable : public ::testing::Test {
protected:
  // Writes the file, points the table at it and loads it.
  void Install(const std::vector<ButtonResRecord>& records) {
    std::string bytes;
    for (const auto& r : records) bytes += WriteButtonResRecord(r);
    files.files[kPath] = bytes;
    res.SetPath(kPath);
    res.Load();
  }
  const std::string kPath = "C:\\Orvanta\\Orvanta.dat";
  MemoryFiles files;
  ClassButtonRes res{&files};
};

TEST_F(ButtonResTable, LookupsByNameAreExactAndTheFirstOfTwoWins) {
  // Display names in code page 932: カメラ, 切替, 二番目.
  const AnsiString kamera = testing::Ansi("\x83\x4A\x83\x81\x83\x89"), kirikae = testing::Ansi("\x90\xD8\x91\xD6");
  Install({Rec("Camera.Run", "Camera", {kamera}), Rec("Tpdrv.X", "Tpdrv", {kirikae}),
           Rec("Camera.Run", "Second", {testing::Ansi("\x93\xF1\x94\xD4\x96\xDA")})});
  ASSERT_EQ(res.Count(), 3);
  EXPECT_EQ(res.IndexOf("Camera.Run"), 0);
  EXPECT_EQ(res.IndexOf("camera.run"), -1);
  EXPECT_EQ(res.TypeOfName("Camera.Run"), "Camera");
  EXPECT_EQ(res.DispOfName("Tpdrv.X"), kirikae);
  EXPECT_EQ(res.NameOf(1), "Tpdrv.X");
  // Unknown names and indexes outside the table answer empty.
  EXPECT_EQ(res.DispOfName("Nope"), "");
  EXPECT_EQ(res.NameOf(3), "");
  EXPECT_TRUE(res.PicDataOf(-1).empty());
}

TEST_F(ButtonResTable, DispIndexOutsideTheNamesGivesTheFirst) {
  Install({Rec("A", "T", {"one", "two", "three"})});
  const std::pair<std::int32_t, const char*> cases[] = {{0, "one"}, {2, "three"}, {5, "one"}, {-1, "one"}};
  for (const auto& [index, expected] : cases) {
    res.DispIndex = index;
    EXPECT_EQ(res.DispOfIndex(0), testing::Ansi(expected)) << index;
  }
}

TEST_F(ButtonResTable, DisposeDropsOnlyThePicturesAndLoadRereadsTheFile) {
  Install({Rec("A", "T", {"d"}, {9, 9})});
  res.PicData_Dispose();
  EXPECT_EQ(res.Count(), 1);
  EXPECT_EQ(res.NameOf(0), "A");
  EXPECT_EQ(res.TypeOfIndex(0), "T");
  EXPECT_EQ(res.DispOfIndex(0), "d");
  EXPECT_TRUE(res.PicDataOf(0).empty());
  res.Load();
  EXPECT_EQ(res.PicDataOf(0), (std::vector<std::uint8_t>{9, 9}));
  Install({});  // a shorter file leaves no stale records
  EXPECT_EQ(res.Count(), 0);
}

TEST_F(ButtonResTable, PathTakesTheLockOnlyForAnExistingFileUntilTheTableGoes) {
  files.files[kPath] = WriteButtonResRecord(Rec("A"));
  res.SetPath("C:\\missing.dat");
  EXPECT_EQ(res.Path(), "");
  EXPECT_FALSE(res.LockWrite());
  res.Load();
  EXPECT_EQ(res.Count(), 0);

  res.SetPath(kPath);
  EXPECT_EQ(res.Path(), kPath);
  EXPECT_TRUE(res.LockWrite());
  EXPECT_EQ(files.locks, 1);
  // The same path again keeps the file locked.
  res.SetPath(kPath);
  EXPECT_TRUE(res.LockWrite());
  EXPECT_EQ(files.locks, 1);
  // A missing file: the old path stays, unlocked.
  res.SetPath("C:\\other.dat");
  EXPECT_EQ(res.Path(), kPath);
  EXPECT_EQ(files.locks, 0);
  res.SetLockWrite(true);
  res.SetLockWrite(true);
  EXPECT_EQ(files.locks, 1);
  {
    ClassButtonRes other(&files);
    other.SetPath(kPath);
    EXPECT_EQ(files.locks, 2);
  }
  EXPECT_EQ(files.locks, 1) << "destroying a table releases its lock";
}

TEST_F(ButtonResTable, ManyDisplayNamesAreReadOverPastTheBound) {
  std::vector<AnsiString> disp(ClassButtonRes::kMaxDispNames + 10, "n");
  disp[0] = "first";
  Install({Rec("A", "T", disp), Rec("B")});
  ASSERT_EQ(res.Count(), 2);
  EXPECT_EQ(res.DispOfIndex(0), "first");
  EXPECT_EQ(res.NameOf(1), "B");
}

}  // namespace
}  // namespace orvanta
