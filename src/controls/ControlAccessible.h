// The accessible object of a control without children (drop-down button, link, label): its
// name, value, role, added states and default action as the control states them, and the slot
// in which a control keeps its object.
#pragma once

#include "controls/AccessibleBase.h"

#include <functional>
#include <string>

namespace qs {

// What a control says about itself, asked afresh on every request. An empty name and a role of
// 0 leave the standard object's answer (the window text without its access-key marker).
struct AccessibleFacts {
    std::wstring name;
    std::wstring value;
    long role = 0;
    long addedStates = 0;       // on top of the standard object's focusable, focused, unavailable
    std::wstring defaultAction; // empty: none
};

// The message a control receives when a client asks for its default action. Posted, so that
// the client's call returns at once even when the action opens a menu or a browser.
UINT AccessibleDefaultActionMessage();

// True when a WM_GETOBJECT asks for the client area's object, the one the controls answer.
inline bool AsksForClientObject(LPARAM lParam) {
    return static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT);
}

class CControlAccessible : public CAccessibleBase {
public:
    using FactsSource = std::function<AccessibleFacts()>;

    // The source is the control's, asked on the window's thread until Disconnect.
    static ComPtr<CControlAccessible> Create(HWND window, FactsSource facts);

    void Disconnect() override;

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;

private:
    CControlAccessible(HWND window, FactsSource facts);
    FactsSource facts;
};

// The accessible object of one control window: made on the first request, the same object for
// every later one, disconnected when the control goes (or earlier, with its window).
template <typename Object> class CAccessibleSlot {
public:
    CAccessibleSlot() = default;
    ~CAccessibleSlot() { Disconnect(); }
    CAccessibleSlot(const CAccessibleSlot&) = delete;
    CAccessibleSlot& operator=(const CAccessibleSlot&) = delete;

    // Answers WM_GETOBJECT with the object, made by `make` when there is none yet; 0 when it
    // cannot be made.
    template <typename Make> LRESULT Answer(WPARAM wParam, Make&& make) {
        if (!object)
            object = make();
        return object ? object.Get()->AnswerGetObject(wParam) : 0;
    }

    // Clients that still hold the object get errors from now on; the slot lets it go.
    void Disconnect() {
        if (object)
            object.Get()->Disconnect();
        object.Reset();
    }

    Object* Get() const { return object.Get(); }

private:
    ComPtr<Object> object;
};

} // namespace qs
