// The plug-in whose static initialisation is running on this thread, if any.
#pragma once

// Registries made during a plug-in's loading record it as their owner.
const void* PluginBeingLoaded();
