// Channel-manager updates: room inventory and date restrictions of the hotel, and the
// enhancements of a registration.
#pragma once

#include "services/channel_client.h"

namespace halvora {

using ActualizaInventario = ChannelClient<channel::Transport::kPlain>;

}  // namespace halvora
