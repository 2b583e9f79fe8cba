#include "editor/program_buffer.h"

#include <algorithm>
#include <iterator>

#include "runtime/numtext.h"

namespace vorn {

ProgramBuffer::ProgramBuffer(int capacity) : capacity_(std::max(capacity, 1)), I0I(1) {
  // Reserved once so that growing to capacity never copies the table.
  I0I.reserve(size_t(capacity_) + 1);
}

std::string_view ProgramBuffer::line(int number) const {
  if (number < 1 || number > Z) return {};
  return I0I[number];
}

bool ProgramBuffer::insertLine(int n, std::string text) {
  if (full() || n < 1 || n > Z + 1) return false;
  // vector::insert moves the std::string handles, never the text itself.
  I0I.insert(I0I.begin() + n, std::move(text));
  ++Z;
  index_.L0S = false;
  return true;
}

void ProgramBuffer::deleteLines(int n, int k) {
  if (Z == 0 || n < 1 || n > Z || k < 1) return;
  const int last = std::min(Z, n + k - 1);
  I0I.erase(I0I.begin() + n, I0I.begin() + last + 1);
  Z -= last - n + 1;
  index_.L0S = false;
}

bool ProgramBuffer::storeLine(int n, std::string text) {
  if (n < 1 || n > capacity_) return false;
  if (n > Z) {
    I0I.resize(n + 1);
    Z = n;
    index_.L0S = false;
  }
  if (I0I[n] != text) {
    I0I[n] = std::move(text);
    index_.L0S = false;
  }
  return true;
}

void ProgramBuffer::assign(std::vector<std::string> lines) {
  if (lines.size() > size_t(capacity_)) lines.resize(capacity_);
  I0I.clear();
  I0I.emplace_back();
  std::move(lines.begin(), lines.end(), std::back_inserter(I0I));
  Z = int(lines.size());
  index_.L0S = false;
}

const ProgramIndex& ProgramBuffer::index() const {
  if (!index_.L0S) rebuildIndex();
  return index_;
}

void ProgramBuffer::rebuildIndex() const {
  index_.SFONT.clear();
  index_.SY_DIR.clear();
  for (int n = 1; n <= Z; ++n) {
    const std::string& text = I0I[n];
    if (text.empty() || text.front() != 'O') continue;
    index_.SFONT.push_back(float(numberValue(std::string_view(text).substr(1))));
    index_.SY_DIR.push_back(n);
  }
  index_.X = int(index_.SFONT.size());
  index_.L0S = true;
}

int ProgramBuffer::findProgram(int programNumber) const {
  const ProgramIndex& idx = index();
  const float wanted = float(programNumber);
  for (int i = 0; i < idx.X; ++i) {
    if (idx.SFONT[i] == wanted) return idx.SY_DIR[i];
  }
  return 0;
}

}  // namespace vorn
