#include "Settings.h"

#include "AsciiText.h"
#include "LenientNumber.h"

namespace orvanta {

std::string IniFilePath(const std::string& exeFolder, const std::string& exeName) {
  return JoinPath(exeFolder, exeName + ".ini");
}

namespace {

std::int32_t ReadInt(ProfileStore& store, const std::string& ini, const AnsiString& section, const AnsiString& key,
                     std::int32_t def) {
  return ReadLenientInt(store.Read(ini, section, key, AnsiString::FromAscii(std::to_string(def))));
}

void WriteInt(ProfileStore& store, const std::string& ini, const AnsiString& section, const AnsiString& key,
              std::int32_t value) {
  store.Write(ini, section, key, AnsiString::FromAscii(std::to_string(value)));
}

void WritePath(ProfileStore& store, const std::string& ini, const AnsiString& section, const AnsiString& key,
               const AnsiString& value) {
  store.Write(ini, section, key, "\"" + value + "\"");
}

}  // namespace

MainSettings LoadSettings(ProfileStore& store, const std::string& ini) {
  const MainSettings d;
  MainSettings s;
  s.Priority = ReadInt(store, ini, "Main", "Priority", d.Priority);
  s.DblClickTime = ReadInt(store, ini, "Main", "DblClickTime", d.DblClickTime);
  s.NotifyMsg = ReadInt(store, ini, "Main", "NotifyMsg", d.NotifyMsg);
  s.NotifyMsgPos = ReadInt(store, ini, "Main", "NotifyMsgPos", d.NotifyMsgPos);
  s.PenPlusPath = store.Read(ini, "PenPlus", "Path", d.PenPlusPath);
  s.PenPlusRunTimeOut = ReadInt(store, ini, "PenPlus", "RunTimeOut", d.PenPlusRunTimeOut);
  s.TpdrvChangeTPNamedID = ReadInt(store, ini, "Tpdrv", "ChangeTPNamedID", d.TpdrvChangeTPNamedID);
  s.CameraPath = store.Read(ini, "Camera", "Path", d.CameraPath);
  return s;
}

void SaveSettings(ProfileStore& store, const std::string& ini, const MainSettings& s) {
  WriteInt(store, ini, "Main", "Priority", s.Priority);
  WriteInt(store, ini, "Main", "DblClickTime", s.DblClickTime);
  WriteInt(store, ini, "Main", "NotifyMsg", s.NotifyMsg);
  WriteInt(store, ini, "Main", "NotifyMsgPos", s.NotifyMsgPos);
  WritePath(store, ini, "PenPlus", "Path", s.PenPlusPath);
  WriteInt(store, ini, "PenPlus", "RunTimeOut", s.PenPlusRunTimeOut);
  WriteInt(store, ini, "Tpdrv", "ChangeTPNamedID", s.TpdrvChangeTPNamedID);
  WritePath(store, ini, "Camera", "Path", s.CameraPath);
}

std::uint32_t PriorityClassFor(std::int32_t priority) {
  switch (priority) {
    case 1: return 0x40;    // idle
    case 2: return 0x4000;  // below normal
    case 3: return 0x20;    // normal
    case 4: return 0x8000;  // above normal
    case 5: return 0x80;    // high
    case 6: return 0x100;   // real time
    default: return 0;
  }
}

}  // namespace orvanta
