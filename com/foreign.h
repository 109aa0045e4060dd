// Automation objects that are not the server's own, as core objects: a host's collection or record
// handed in, a registered outside component the library created, another server's object. The
// core calls them by name (GetIDsOfNames and Invoke), with the same conversions as the server's
// own objects, and hands them out again as the very same IDispatch.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string_view>

#include "automation/error.h"
#include "automation/object.h"

namespace halvora::com {

// The core object that stands for `dispatch`. It holds a reference until the core lets go, and
// while one lives the same automation object (by IUnknown) always gives it, so that `Is` holds.
ObjectRef foreign_object(IDispatch* dispatch);

// A new object of the class registered under a programmatic identifier
// ("LobixSdkCore.ConexionSdk"), in or out of process. Null when nothing is registered under it; 429
// when a class is registered but cannot be made (a broken installation is not a missing one).
ObjectRef create_registered(std::u16string_view identifier);

// A failed Invoke as the library's error. DISP_E_EXCEPTION gives the component's own number,
// description and source from the EXCEPINFO (whose strings it frees); the dispatch failures give
// the platform's numbers (438, 13, 450, 449, 6, 9, 7); an HRESULT of the control facility gives its
// code; any other is its own (negative) number with the system's text.
Error error_of(HRESULT hr, EXCEPINFO* info);

}  // namespace halvora::com
