// What a screen reader hears: the remittance list named after its painted heading, the buttons by
// their captions and the window by its title, asked for the way screen readers ask.

#include <ole2.h>
#include <oleacc.h>

#include <atomic>
#include <thread>
#include <utility>

#include "com_apartment.h"
#include "texts.h"
#include "window_harness.h"

namespace {

// The accessible object of a window's client area: the one a screen reader gets, or the system's
// standard one whatever the window answers.
class Object {
 public:
  enum class Source { ScreenReader, Standard };
  Object(HWND window, Source source) {
    void** out = reinterpret_cast<void**>(&object_);
    result_ = source == Source::ScreenReader
                  ? AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                               __uuidof(IAccessible), out)
                  : CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible), out);
  }
  ~Object() {
    if (object_) object_->Release();
  }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  HRESULT result() const { return result_; }
  IAccessible* get() const { return object_; }

  std::wstring name(LONG child = CHILDID_SELF) const {
    BSTR text = nullptr;
    if (!object_ || FAILED(object_->get_accName(id(child), &text)) || !text) return L"";
    std::wstring name(text, SysStringLen(text));
    SysFreeString(text);
    return name;
  }
  LONG role() const {
    VARIANT role{};
    if (!object_ || FAILED(object_->get_accRole(id(CHILDID_SELF), &role))) return -1;
    const LONG found = role.vt == VT_I4 ? role.lVal : -1;
    VariantClear(&role);
    return found;
  }

 private:
  static VARIANT id(LONG child) {
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = child;
    return id;
  }

  IAccessible* object_ = nullptr;
  HRESULT result_ = E_FAIL;
};

class AccessibilityTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    addRemittance("a.xml", remittanceText("PRE", "1"));
    addRemittance("b_ES12000B12345678_2026-12-01_cuotas_socios_febrero.xml", "");  // wide
  }
  HWND list() const { return control(kRemittanceListId); }
};

// The role is whatever the system's own object gives (Wine calls every object a client area):
// the named list only has to pass it on.
TEST_F(AccessibilityTest, ListIsNamedAfterItsHeadingButtonsByTheirCaptionsWindowByItsTitle) {
  ASSERT_TRUE(start());
  const struct {
    const char* what;
    HWND control;
    const wchar_t* name;
  } expected[] = {
      {"window", handle(), texts::kWindowTitle},
      {"change button", control(kChangeButtonId), texts::kChange},
      {"remittance list", list(), texts::kListHeading},
      {"exit button", control(kExitButtonId), texts::kExit},
  };
  for (const auto& control : expected) {
    SCOPED_TRACE(control.what);
    const Object heard(control.control, Object::Source::ScreenReader);
    ASSERT_EQ(heard.result(), S_OK);
    EXPECT_EQ(heard.name(), control.name);
  }
  EXPECT_EQ(Object(list(), Object::Source::ScreenReader).role(),
            Object(list(), Object::Source::Standard).role());

  // The items keep the names the system gives them, and the object says which window it is.
  // Windows' own object reads each item's name from the list's text: the whole file name, however
  // wide. Wine's names no item at all, so there only the passing on is checked.
  const Object heard(list(), Object::Source::ScreenReader);
  const Object standard(list(), Object::Source::Standard);
  const wchar_t* names[] = {L"a.xml", L"b_ES12000B12345678_2026-12-01_cuotas_socios_febrero.xml"};
  for (LONG item = 1; item <= 2; ++item) {
    EXPECT_EQ(heard.name(item), standard.name(item)) << "item " << item;
    if (!standard.name(item).empty()) {
      EXPECT_EQ(heard.name(item), names[item - 1]);
    }
  }
  HWND owner = nullptr;
  EXPECT_EQ(WindowFromAccessibleObject(heard.get(), &owner), S_OK);
  EXPECT_EQ(owner, list());

  // A reader may hold the object after the window is gone.
  window_.reset();
  EXPECT_EQ(heard.name(), texts::kListHeading);
}

// A screen reader asks from outside the window's thread.
TEST_F(AccessibilityTest, ReaderOnAnotherThreadHearsTheName) {
  ASSERT_TRUE(start());
  std::wstring heard;
  std::atomic<bool> asked = false;
  std::thread reader([&] {
    const ComApartment com(COINIT_MULTITHREADED);  // as a screen reader's
    heard = Object(list(), Object::Source::ScreenReader).name();
    asked = true;
  });
  // The window's thread answers the reader's messages and calls until it has its answer.
  for (int waited = 0; !asked && waited < 1000; ++waited) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    pump();
  }
  reader.join();
  EXPECT_EQ(heard, texts::kListHeading);
}

}  // namespace
