#include "program.h"

#include <commctrl.h>
#include <objbase.h>

#include "dialogwindow.h"

namespace stickforge {

int runProgram(HINSTANCE instance, Platform &platform)
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
    const INT_PTR result = DialogWindow::run(instance, platform);
    if (SUCCEEDED(com))
        CoUninitialize();
    return int(result);
}

} // namespace stickforge
