// One tab page in a test host window, driven as the user drives it: the base of the suites of one page.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gui_test_support.h"

namespace qv::guitest {

template <typename Page>
class PageFixture : public testing::Test {
 protected:
  explicit PageFixture(const wchar_t* hostTitle) : hostTitle_(hostTitle) {}

  void SetUp() override {
    host_ = std::make_unique<TestPageHost>(hostTitle_);
    ASSERT_NE(host_->Window(), nullptr);
  }

  // The page object goes first and destroys its window, then the host.
  void TearDown() override {
    object_.reset();
    host_.reset();
    page_ = nullptr;
  }

  // The page made over `area` of the host with the records it edits.
  template <typename... Records>
  HWND MakePage(const RECT& area, Records&... records) {
    object_ = std::make_unique<Page>(*host_, records...);
    page_ = object_->Create(host_->Window(), area);
    return page_;
  }

  HWND TooltipWindow() const { return host_->tooltip().Handle(); }
  HWND Item(int id) const { return GetDlgItem(page_, id); }
  std::wstring ItemText(int id) const { return WindowText(Item(id)); }
  bool Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
  // A click as the user makes it: the button changes its own state and notifies the page.
  void Click(int id) const { SendMessageW(Item(id), BM_CLICK, 0, 0); }
  // Text typed into a field (without leaving it).
  void Type(int id, const wchar_t* text) const {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  }
  // Leaving a field: the page reads what was typed.
  void Leave(int id) const {
    SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(Item(id)));
  }

  std::unique_ptr<TestPageHost> host_;
  std::unique_ptr<Page> object_;
  HWND page_ = nullptr;

 private:
  const wchar_t* hostTitle_;
};

}  // namespace qv::guitest
