// Damaged copies of a good metafile for the players' hostile-input tests: every prefix cut at
// CutStep bytes, and each 32-bit word in turn overwritten by each of Values (sizes, counts,
// offsets, coordinates and floats at their extremes).
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

inline std::vector<std::string> DamagedCorpus(const std::string& Good, std::size_t CutStep,
                                              std::initializer_list<std::uint32_t> Values) {
  std::vector<std::string> Corpus;
  for (std::size_t Cut = 0; Cut < Good.size(); Cut += CutStep) Corpus.push_back(Good.substr(0, Cut));
  for (std::size_t At = 0; At + 4 <= Good.size(); At += 4)
    for (std::uint32_t V : Values) {
      std::string S = Good;
      std::memcpy(S.data() + At, &V, 4);
      Corpus.push_back(std::move(S));
    }
  return Corpus;
}
