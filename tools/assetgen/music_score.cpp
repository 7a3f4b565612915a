#include "music_score.h"

#include <algorithm>

namespace music {

constexpr int kMinRows = 32;
constexpr int kMaxRows = 200;

std::vector<int> PatternLengths(int rows, const std::vector<int>& cuts, int piece) {
  std::vector<int> starts;
  for (int c : cuts) {
    int last = starts.empty() ? 0 : starts.back();
    if (c > 0 && c < rows && c - last >= kMinRows && rows - c >= kMinRows) starts.push_back(c);
  }
  starts.push_back(rows);
  std::vector<int> lengths;
  int at = 0;
  for (int end : starts) {
    int left = end - at;
    while (left > 0) {
      int n = std::min(piece, left);
      // A short tail joins the piece before it rather than stand alone.
      if (left - n < kMinRows) n = left <= kMaxRows ? left : left - kMinRows;
      lengths.push_back(n);
      left -= n;
    }
    at = end;
  }
  return lengths;
}

void CutIntoPatterns(const Score& score, const std::vector<int>& lengths, it::Module& module) {
  module.patterns.clear();
  module.orders.clear();
  int row = 0;
  for (int n : lengths) {
    it::Pattern p(n, score.channels());
    for (int r = 0; r < n; r++)
      for (int ch = 0; ch < score.channels(); ch++) p.at(r, ch) = score.at(row + r, ch);
    row += n;
    auto same = std::find(module.patterns.begin(), module.patterns.end(), p);
    module.orders.push_back(static_cast<int>(same - module.patterns.begin()));
    if (same == module.patterns.end()) module.patterns.push_back(std::move(p));
  }
}

}  // namespace music
