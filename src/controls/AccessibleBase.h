// The shared part of the controls' accessible objects: the counted object and its interfaces,
// the platform's standard object that answers for the window itself, and the disconnect that
// leaves a client still holding an object of a control that has gone with errors, not a crash.
#pragma once

#include "framework/ComHandle.h"

#include <windows.h>
#include <oleacc.h>

#include <atomic>
#include <string>

namespace qs {

// Text in the system's ANSI code page (what the controls' windows hold) as UTF-16.
std::wstring AccessibleText(const std::string& text);

// A system string with a copy of `text`; empty text gives an empty string, not none.
Bstr MakeBstr(const std::wstring& text);

// Writes a result string: `out` takes ownership of the copy. S_FALSE for empty text (no
// string), as the accessibility calls answer a property that is not there.
HRESULT AnswerText(const std::wstring& text, BSTR* out);

// The object's own child number in a request, or -1 when the request is not a number.
long ChildIdOf(const VARIANT& child);

// Every IAccessible call of the base answers for the window itself (child 0) through the
// standard object of the window's client area, and refuses other children; derived objects
// answer what they add. Counted (the first reference is the creator's) and used on the window's
// thread only, as a window's accessible object is.
class CAccessibleBase : public IAccessible {
public:
    CAccessibleBase(const CAccessibleBase&) = delete;
    CAccessibleBase& operator=(const CAccessibleBase&) = delete;

    // The control goes: every later call answers CO_E_OBJNOTCONNECTED and the window is
    // forgotten. Derived objects drop their link to the control here.
    virtual void Disconnect();
    bool Connected() const { return hwnd != nullptr; }
    HWND Window() const { return hwnd; }

    // The answer to WM_GETOBJECT for the window's client area: a reference handed to the
    // caller through the platform.
    LRESULT AnswerGetObject(WPARAM wParam);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: no type information; clients call the accessibility methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

protected:
    // Takes the window's standard object; the creator holds the first reference.
    explicit CAccessibleBase(HWND window);
    virtual ~CAccessibleBase();

    // The first check of every call: CO_E_OBJNOTCONNECTED once disconnected, E_INVALIDARG for
    // a child that is not 0 up to `children`, else S_OK.
    HRESULT CheckChild(const VARIANT& child, long children) const;

    HWND hwnd;
    ComPtr<IAccessible> standard; // the platform's object of the client area; may be empty

private:
    std::atomic<ULONG> refs{1};
};

} // namespace qs
