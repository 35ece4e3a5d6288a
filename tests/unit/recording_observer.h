// A run observer that writes down every call it gets, one line each, in terms that do not depend on
// where the folders are (names, not paths), so that two runs of equal requests give equal records.
// Shared by the unit tests and the tests of the Windows program.
#pragma once

#include <string>
#include <vector>

#include "batch/run.h"
#include "platform/system_folders.h"

namespace qv::test {

class RecordingObserver : public RunObserver {
 public:
  std::vector<std::wstring> calls;
  std::vector<FileOutcome> outcomes;  // every FileDone, in order
  int cancelAfter = -1;  // PollCancelRequest says yes once this many files are done; ConfirmCancel says yes
  int keepAlives = 0;    // KeepAlive calls (not recorded: how often depends on timing)

  void ShowMessage(MessageCode code) override {
    calls.push_back(L"message " + std::to_wstring(static_cast<int>(code)));
  }
  void BeginRun(int planned) override { calls.push_back(L"begin " + std::to_wstring(planned)); }
  void FileStarting(int index, const std::wstring& inputPath) override {
    calls.push_back(L"starting " + std::to_wstring(index) + L" " + LastPathComponent(inputPath));
  }
  void FileDone(const FileOutcome& o) override {
    ++done_;
    outcomes.push_back(o);
    calls.push_back(L"done " + std::to_wstring(o.fileIndex) + L" " + LastPathComponent(o.inputPath) + L" " +
                    Ascii(FileStatusName(o.status)) + L" -> " + LastPathComponent(o.outputPath) + L" " +
                    std::to_wstring(o.width) + L"x" + std::to_wstring(o.height) + L" q" + std::to_wstring(o.quality) +
                    L" disposal " + std::to_wstring(static_cast<int>(o.disposal)) + L" date '" + o.exifDate + L"'");
  }
  void KeepAlive() override { ++keepAlives; }
  bool PollCancelRequest() override {
    calls.push_back(L"poll");
    return cancelAfter >= 0 && done_ >= cancelAfter;
  }
  bool ConfirmCancel() override {
    calls.push_back(L"confirm");
    return true;
  }
  void AnnounceNewSubfolder(const std::wstring& folder) override {
    calls.push_back(L"subfolder " + LastPathComponent(folder));
  }
  void EndRun(const RunSummary& s) override {
    calls.push_back(L"end " + std::to_wstring(s.planned) + L" " + std::to_wstring(s.written) +
                    (s.cancelled ? L" cancelled" : L""));
  }

 private:
  static std::wstring Ascii(const char* text) {
    return std::wstring(text, text + std::char_traits<char>::length(text));
  }
  int done_ = 0;
};

}  // namespace qv::test
