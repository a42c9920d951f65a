// The application module's instance, handed to the dialog layer for its templates.
#include "framework/AppModule.h"

#include "framework/Window.h"

namespace qs {

void CAppModule::Init(HINSTANCE instance) {
    m_instance = instance;
    CDialogImpl::SetResourceModule(instance);
}

void CAppModule::Term() {
    CDialogImpl::SetResourceModule(nullptr);
    m_instance = nullptr;
}

HINSTANCE CAppModule::GetResourceInstance() const {
    return m_instance != nullptr ? m_instance : ::GetModuleHandleA(nullptr);
}

} // namespace qs
