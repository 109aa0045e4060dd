// Channel-manager updates, the same as ActualizaInventario but for services that want the body
// length stated and may answer compressed.
#pragma once

#include "services/channel_client.h"

namespace halvora {

using eRevMax = ChannelClient<channel::Transport::kCompressed>;

}  // namespace halvora
