// The song as one long grid of rows, written section by section, then cut
// into patterns for the file. Cuts fall on the section starts, so every
// section begins on a pattern's first row and repeated material shares
// patterns.
#pragma once
#include <vector>

#include "it_writer.h"

namespace music {

class Score {
 public:
  Score(int rows, int channels) : rows_(rows), channels_(channels), cells_(rows * channels) {}
  it::Cell& at(int row, int channel) { return cells_[row * channels_ + channel]; }
  const it::Cell& at(int row, int channel) const { return cells_[row * channels_ + channel]; }
  int rows() const { return rows_; }
  int channels() const { return channels_; }

 private:
  int rows_;
  int channels_;
  std::vector<it::Cell> cells_;
};

// Pattern lengths that cover [0, rows): a new pattern at every cut, pieces
// of at most `piece` rows in between, none shorter than 32 or longer than
// 200 rows (a cut closer than 32 rows to the previous one is dropped).
std::vector<int> PatternLengths(int rows, const std::vector<int>& cuts, int piece);

// Fills the module's patterns and order list from the score, storing each
// distinct pattern once.
void CutIntoPatterns(const Score& score, const std::vector<int>& lengths, it::Module& module);

}  // namespace music
