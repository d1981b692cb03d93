#pragma once

class CSoundDecoder;
class CSoundInput;
class CSoundOutput;

// The machine's sound devices and compressed-sound decoder, as the program uses them: the
// backends in the program, simulated ones in tests.
struct DeviceServices {
    CSoundOutput& m_soundOut;
    CSoundInput& m_soundIn;
    CSoundDecoder& m_decoder;
};
