#pragma once
// A first look at a sector before a searcher's own tests. Every structure a searcher recognises has, at a few
// fixed offsets from its start, bytes that can take only some values (a signature, an attribute byte, the high
// byte of a time). The gate keeps one table per such offset saying, for each byte value, which structure kinds
// allow it there; a sector passes when some kind allows every byte the gate looks at. The block loops ask it of
// every sector without a call, so a sector where no structure can start costs a few table lookups.
// A gate only ever lets too much through: a kind's rules must be conditions every such structure meets.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

namespace quellsy {

class SectorGate {
 public:
  static constexpr std::size_t kMaxOffsets = 8;
  static constexpr std::size_t kMaxKinds = 16;

  // One condition of a kind: the byte at `offset` is one `allows` says yes to.
  struct Rule {
    std::size_t offset = 0;
    std::function<bool(std::uint8_t)> allows;
  };
  // A structure kind: all its rules hold for every sector starting with such a structure.
  using Kind = std::vector<Rule>;

  // At most kMaxKinds kinds over at most kMaxOffsets distinct offsets (std::length_error otherwise); a kind
  // without rules lets every sector through.
  explicit SectorGate(const std::vector<Kind>& kinds);

  // One past the largest offset looked at: MayHold reads that many bytes of a sector.
  std::size_t Reach() const { return reach_; }
  // False when no kind allows the bytes of the sector at `sector`, which holds at least Reach() bytes.
  bool MayHold(const std::uint8_t* sector) const {
    std::uint16_t kinds = kinds_;
    for (std::size_t i = 0; i < offsetCount_; ++i) kinds &= allowed_[i][sector[offsets_[i]]];
    return kinds != 0;
  }

 private:
  std::array<std::array<std::uint16_t, 256>, kMaxOffsets> allowed_{};
  std::array<std::size_t, kMaxOffsets> offsets_{};
  std::size_t offsetCount_ = 0;
  std::size_t reach_ = 0;
  std::uint16_t kinds_ = 0;  // one bit per kind
};

}  // namespace quellsy
