#pragma once
// The NC program in memory: one ordered list of text lines numbered from 1,
// its name and title, and the program-number index that every change marks
// stale. Every subsystem reads it; the editor, loading and receiving change it.
//
// Invariants: I0I.size() == Z + 1 (entry 0 holds nothing), so no entry above Z
// ever holds text; Z <= capacity(); any change of a line's text, any insert
// and any delete clears the index-valid flag L0S.
#include <string>
#include <string_view>
#include <vector>

#include "interp/program_source.h"

namespace vorn {

inline constexpr int kVorntProgramCapacity = 28912;  // lines, the VORN-T edition
inline constexpr int kModuleProgramCapacity = 68630;  // lines, the transfer and management module's own buffer

// Program numbers of the "O" lines and where they stand. It holds every "O"
// line of the program (it grows past the 520 entries of the original table,
// so a long program never loses lookups and nothing is written past a table).
struct ProgramIndex {
  std::vector<float> SFONT;  // the number after each "O" line's "O", in line order
  std::vector<int> SY_DIR;   // the line index of that "O" line (same position as SFONT)
  int X = 0;                 // number of entries in use
  bool L0S = false;          // true: the index matches the buffer; false: rebuild before use
};

class ProgramBuffer final : public ProgramSource {
 public:
  explicit ProgramBuffer(int capacity = kVorntProgramCapacity);

  int capacity() const { return capacity_; }  // most lines the buffer holds (edition)
  bool full() const { return Z >= capacity_; }

  // ProgramSource: lines 1..Z; line() gives "" outside that range.
  int lineCount() const { return Z; }
  bool hasLine(int number) const override { return number >= 1 && number <= Z; }
  std::string_view line(int number) const override;
  // Line of the "O" line whose number is programNumber, 0 when none; rebuilds
  // the index first when it is stale.
  int findProgram(int programNumber) const override;

  // Inserts text as line n (1 <= n <= Z + 1); lines n..Z move down one.
  // Returns false and changes nothing when the buffer is full or n is out of range.
  bool insertLine(int n, std::string text);
  // Deletes k lines from n; nothing happens when n > Z, n < 1, k < 1 or Z = 0.
  // Lines past Z are clamped (deleting 5..9999 of 100 lines leaves 1..4).
  void deleteLines(int n, int k);
  // Replaces line n; n > Z grows the program to Z = n with empty lines between.
  // The index goes stale only when the text differs. False (no change) when
  // n < 1 or n > capacity().
  bool storeLine(int n, std::string text);
  // Replaces every line (kept up to capacity()); marks the index stale.
  void assign(std::vector<std::string> lines);
  void clear() { assign({}); }

  // The program-number index, rebuilt first when stale.
  const ProgramIndex& index() const;
  void rebuildIndex() const;
  void invalidateIndex() { index_.L0S = false; }
  bool indexValid() const { return index_.L0S; }  // the flag L0S, without rebuilding

  std::string OSDATE;  // program name: base name of the file last loaded (or the store name)
  std::string H0X;     // program title: from a ".wf" header or the store
  float YGW = 0;       // program mark: from a ".wf" header or the store, shown with name and title

 private:
  int capacity_;
  int Z = 0;                     // number of program lines; 0 is an empty program
  std::vector<std::string> I0I;  // the line table, entries 0..Z; entry 0 stays empty
  // The index is a cache of the lines, so lookups from const readers may rebuild it.
  mutable ProgramIndex index_;
};

}  // namespace vorn
