#pragma once

#include <string>

#include "partials/PartialData.h"
#include "support/ScriptedUiServices.h"
#include "support/TempDir.h"
#include "transform/TransformData.h"
#include "transform/TransformFile.h"
#include "wave/WavFile.h"

class CSoundDecoder;

// The promises every reader keeps, checked on whatever bytes it is given: a file that reads
// holds values the rest of the program can work with, and the file the program writes from
// them reads back to the same values (a partials file is even written again to the same
// bytes). Each check reads through the program's own dialogs and files, answered from the
// given folder, and returns an empty text when all holds, else what broke. The ordinary
// tests run it over the seed files, the fuzz harnesses over every input they make.
class CReadBack {
  public:
    explicit CReadBack(std::string folder) : m_folder(std::move(folder)) {}

    // A waveform file of the given name (its extension picks the reader).
    std::string Wave(const std::string& bytes, const std::string& name, CSoundDecoder& decoder);
    std::string Transform(const std::string& bytes);
    // Read, written and read again with the given note names.
    std::string Partials(const std::string& bytes, bool germanNames);

    // The result code of the last first read, and what it read.
    int m_code = -1;
    CWaveData m_wave;
    WaveFormatCopy m_copy;
    CTransformData m_transform;
    TransformSource m_source;
    CPartialData m_partials;

  private:
    std::string Path(const std::string& name) const { return m_folder + "/" + name; }

    std::string m_folder;
    CScriptedUiServices m_ui;
};

// What is wrong with a store or a transform that a read has just filled, or with a partial
// table after any operation; empty when nothing is.
std::string WaveFaults(const CWaveData& wave);
std::string TransformFaults(const CTransformData& transform, const TransformSource& source);
std::string PartialTableFaults(const CPartialData& table);
