#pragma once

#include "platform/DeviceServices.h"
#include "support/ScriptedDecoder.h"
#include "support/ScriptedSound.h"

// Simulated sound devices and a scripted decoder together, the way a panel takes them.
struct CScriptedDevices {
    CScriptedSoundOutput m_soundOut;
    CScriptedSoundInput m_soundIn;
    CScriptedDecoder m_decoder;

    DeviceServices Services() { return {m_soundOut, m_soundIn, m_decoder}; }
};
