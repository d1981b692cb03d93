#pragma once

#include <string>
#include <vector>

// Small files of every format the program reads, made by its own writers where it has one
// and built byte by byte where it has none or to reach the readers' other paths: the seeds
// the fuzz harnesses start from, and the files the ordinary tests read back. A few bytes
// each, so nothing binary needs to be kept in the tree.
struct SeedFile {
    std::string m_name;
    std::string m_bytes;
};

// ".wav" files: written from stores by the writer, the PCM layouts, chunks around the data,
// and non-PCM data for the decoder path.
std::vector<SeedFile> WaveSeeds();
// MPEG audio frame sequences with and without an ID3v2 tag.
std::vector<SeedFile> Mp3Seeds();
// Transform files written from transforms of several grids, and a relative one.
std::vector<SeedFile> TransformSeeds();
// Partials files written from tables (English and German names), and the short form.
std::vector<SeedFile> PartialsSeeds();
// Numbers as the files and fields hold them, each on a line of its own.
std::vector<SeedFile> NumberSeeds();
