#include "list_accessibility.h"

#include <ole2.h>
#include <oleacc.h>

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <utility>

namespace {

constexpr UINT_PTR kSubclassId = 1;

bool isSelf(const VARIANT& child) {
  return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's standard object for a control, with the control's own name replaced. Each screen
// reader request gets one of its own; it keeps a copy of the name, so it stays valid after the
// control is gone.
class NamedControlObject final : public IAccessible, public IOleWindow {
 public:
  // Takes over the caller's reference to `standard`.
  NamedControlObject(IAccessible* standard, HWND control, std::wstring name)
      : standard_(standard), control_(control), name_(std::move(name)) {}
  NamedControlObject(const NamedControlObject&) = delete;
  NamedControlObject& operator=(const NamedControlObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (!object) return E_POINTER;
    if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
    } else if (id == __uuidof(IOleWindow)) {
      *object = static_cast<IOleWindow*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: the standard object's type information, invoked on this object, so that a client
  // asking for the name through IDispatch gets the same name.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return standard_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return standard_->GetIDsOfNames(id, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* wrongArgument) override {
    ITypeInfo* info = nullptr;
    const HRESULT found = standard_->GetTypeInfo(0, locale, &info);
    if (FAILED(found)) return found;
    const HRESULT done = info->Invoke(static_cast<IAccessible*>(this), member, flags, parameters,
                                      result, exception, wrongArgument);
    info->Release();
    (void)id;
    return done;
  }

  // IAccessible: the name of the control itself; everything else is the standard object's.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!isSelf(child)) return standard_->get_accName(child, name);
    if (!name) return E_INVALIDARG;
    *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return standard_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return standard_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return standard_->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return standard_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG how, VARIANT child) override {
    return standard_->accSelect(how, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return standard_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

  // IOleWindow: the control, for clients that ask which window an object belongs to.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (!window) return E_INVALIDARG;
    *window = control_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

 private:
  ~NamedControlObject() { standard_->Release(); }

  std::atomic<ULONG> references_{1};
  IAccessible* const standard_;
  const HWND control_;
  const std::wstring name_;
};

// The reference a client turns into the named object, or 0 to let the control answer as usual
// (the client then gets the unnamed standard object, which is still usable).
LRESULT namedClientObject(HWND control, WPARAM flags, const std::wstring& name) {
  IAccessible* standard = nullptr;
  if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&standard)))) {
    return 0;
  }
  IAccessible* named = new NamedControlObject(standard, control, name);
  const LRESULT reference = LresultFromObject(__uuidof(IAccessible), flags, named);
  named->Release();
  return reference > 0 ? reference : 0;
}

LRESULT CALLBACK answerWithName(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                UINT_PTR id, DWORD_PTR data) {
  auto* name = reinterpret_cast<std::wstring*>(data);
  switch (message) {
    case WM_GETOBJECT:
      // The object identifier is a DWORD: compared as such, it is not sign-extended.
      if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT reference = namedClientObject(control, wParam, *name)) {
          return reference;
        }
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(control, &answerWithName, id);
      delete name;
      break;
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void nameForScreenReaders(HWND control, std::wstring name) {
  auto named = std::make_unique<std::wstring>(std::move(name));
  if (SetWindowSubclass(control, &answerWithName, kSubclassId,
                        reinterpret_cast<DWORD_PTR>(named.get()))) {
    named.release();  // the control owns it now; freed when the control is destroyed
  }
}
