#include "batch/messages.h"

namespace qv {

namespace {
const MessageText kMessages[] = {
    {MessageCode::kMemory, L"メモリ確保に失敗しました。", L"Error", MessageIcon::kError},
    {MessageCode::kExecuteFailed, L"ファイル実行に失敗しました。", L"Error", MessageIcon::kError},
    {MessageCode::kInvalidInput, L"入力フォルダが無効です。", L"Error", MessageIcon::kError},
    {MessageCode::kInvalidOutput, L"出力フォルダが無効です。", L"Error", MessageIcon::kError},
    {MessageCode::kFolderCreate, L"フォルダ作成に失敗しました。", L"Error", MessageIcon::kError},
    {MessageCode::kNoFiles, L"対象ファイルがありません。", L"Error", MessageIcon::kError},
    {MessageCode::kFolderChanged, L"入力フォルダの内容が変更されました。\n入力設定を確認してください。", L"Quorvix",
     MessageIcon::kWarning},
};
}  // namespace

const MessageText& MessageFor(MessageCode code) {
  for (const MessageText& m : kMessages)
    if (m.code == code) return m;
  return kMessages[0];
}

const wchar_t kAppTitle[] = L"Quorvix";
const wchar_t kProcessingTitle[] = L"処理中... (ESCキーで中止)";
const wchar_t kStoppingTitle[] = L"中止しています...";
const wchar_t kCancelQuestion[] = L"変換処理を中止しますか？";
const wchar_t kSummaryCaption[] = L"変換完了";
const wchar_t kInputCountLabel[] = L"入力ファイル数";
const wchar_t kOutputCountLabel[] = L"出力ファイル数";
const wchar_t kOverLimitCountLabel[] = L"サイズ指定を超えたファイル数";

std::wstring SummaryBoxText(int planned, int written, int overLimit) {
  std::wstring text = std::wstring(kInputCountLabel) + L"  " + std::to_wstring(planned) + L"\n" + kOutputCountLabel +
                      L"  " + std::to_wstring(written) + L"\n";
  if (overLimit > 0) text += std::wstring(kOverLimitCountLabel) + L"  " + std::to_wstring(overLimit) + L"\n";
  return text + L"    ";
}

std::wstring SummaryTitle(int planned, int written) {
  return std::wstring(kSummaryCaption) + L"    " + std::to_wstring(written) + L"/" + std::to_wstring(planned) +
         L" （" + kOutputCountLabel + L"/" + kInputCountLabel + L"）";
}

}  // namespace qv
