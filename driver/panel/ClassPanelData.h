#pragma once
// Where the printed buttons lie on the panel, in the panel's own units: a grid
// of buttons, each with a name (its action text) and a rectangle. Read from a
// pair of INI-style files in the Data folder: <DataName>.def (delivered
// defaults, never written) and <DataName>.dat (current data, written by Save).
// A key present in .dat wins, even when empty.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/AnsiString.h"
#include "base/ProfileStore.h"

namespace orvanta {

struct ClassPanelButtonData {
  std::int32_t ButtonX = 0;  // column, from 1
  std::int32_t ButtonY = 0;  // row, from 1
  std::int32_t Left = 0;     // reversed edges (Left > Right, Top > Bottom) are valid
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
  AnsiString Name;           // action text, as the data file holds it
};

class ClassPanelData {
public:
  // Bounds that keep a hostile data file from taking unbounded time or memory:
  // counts above this are scanned only up to it (a real panel has a few dozen
  // buttons; ButtonX=100000 would otherwise mean billions of profile reads).
  // Each cell costs four profile reads on Load and two writes on Save, and
  // every profile call walks the whole file, so the work grows with the square
  // of the cells: columns and rows are each scanned up to 32, and no more
  // than 256 cells in all (column-major, so the last columns go first). Both
  // are far beyond any printed sheet.
  static constexpr std::int32_t kMaxGridCount = 32;
  static constexpr std::int32_t kMaxGridCells = 256;

  // dataFolder: the driver's folder followed by "\Data" (no trailing "\").
  ClassPanelData(ProfileStore& store, std::string dataFolder);

  std::string DataName;  // the files' name, part of the driver's own paths
  AnsiString Version;
  AnsiString Name;
  std::int32_t ButtonX = 0;
  std::int32_t ButtonY = 0;

  void Load();
  // False when the data file could not be written whole (a folder the user
  // may not write to): the records in memory stay as they are. A button
  // count that neither file gave is not written: the "-1" it reads as would
  // otherwise win over the delivered layout at every later start.
  [[nodiscard]] bool Save();
  // Makes .dat a byte copy of .def (empty when .def is missing), then Load.
  // copyFile(from, to) does the copy; returns false on failure.
  void LoadSaveDefault(const std::function<bool(const std::string& from, const std::string& to)>& copyFile);

  // The first button holding the point, or null. The record is shared: the
  // calibration writes new rectangles into it and the next Save stores them.
  [[nodiscard]] ClassPanelButtonData* PointCheck(std::int32_t x, std::int32_t y);
  // Index from 0 in load order; null outside 0..ButtonData_Counts()-1.
  [[nodiscard]] ClassPanelButtonData* ButtonData(std::int32_t index);
  [[nodiscard]] std::int32_t ButtonData_Counts() const { return static_cast<std::int32_t>(buttons_.size()); }

  [[nodiscard]] std::string DefPath() const;
  [[nodiscard]] std::string DatPath() const;

private:
  AnsiString ReadDataValue(const AnsiString& section, const AnsiString& key, const AnsiString& def);
  // A header count ("ButtonX", "ButtonY"), "-1" when neither file has it;
  // *fromFile tells which.
  std::int32_t ReadCount(const AnsiString& key, bool* fromFile);
  [[nodiscard]] bool WriteDataValue(const AnsiString& section, const AnsiString& key, const AnsiString& value);

  ProfileStore& store_;
  std::string dataFolder_;
  // The files of DataName, made once per Load or Save rather than per value
  // (a large layout reads thousands of values).
  std::string defPath_;
  std::string datPath_;
  // Whether the last Load found ButtonX and ButtonY in either file.
  bool buttonXFromFile_ = false;
  bool buttonYFromFile_ = false;
  std::vector<std::unique_ptr<ClassPanelButtonData>> buttons_;
};

}  // namespace orvanta
