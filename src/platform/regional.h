// The user's regional settings as the machine holds them: what the conversions read numbers and
// dates with.
#pragma once

#include "automation/conversions.h"

namespace halvora::platform {

// POSIX: the process locale when the host has set one, else LC_ALL, LC_NUMERIC/LC_TIME, LANG;
// "C"/"POSIX" gives the defaults of RegionalSettings. Windows: the user's locale.
RegionalSettings regional_settings();

}  // namespace halvora::platform
