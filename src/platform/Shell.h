#pragma once

#include <QString>
#include <functional>

// The shell's "open" verb: a document with the program the desktop has for it.
namespace Shell {

// Result codes as the callers expect them from the shell: 2 means "file not found".
constexpr int Erfolg = 33;
constexpr int Datei_nicht_gefunden = 2;
constexpr int Fehler = 0;

int oeffne(const QString& file);

// Tests and headless runs see what would be opened instead of a program starting.
void setOpener(std::function<bool(const QString& file)> opener);

} // namespace Shell
