#pragma once
// Hand-built files of the formats no Debian tool writes, each in the layout its analyser reads: the format
// tests carve them, and corpus-sample writes them out for the benchmark corpus.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quellsy::test::formats {

using Bytes = std::vector<std::uint8_t>;

void PutText(Bytes& b, std::size_t at, std::string_view text);
void Append(Bytes& b, std::string_view text);
void Append(Bytes& b, const Bytes& more);
// Pattern bytes (no zero run) with the header fields a case writes on top.
Bytes Body(std::size_t size, std::uint32_t seed = 21);
// Text of `length` bytes without zero bytes, starting with `head`.
Bytes Text(const std::string& head, std::size_t length);
// `head`, then lines of printable text, `length` bytes in all (the last line cut where it must be).
Bytes TextLines(const std::string& head, std::size_t length);

Bytes ChmFile();
// An index of two entries at 316; the last object at 600 points (through its record at 660) to the
// trailer field pair at 892 that gives the file's extent: 800 + 300.
Bytes CptFile(std::uint32_t extra = 0);
Bytes CrwFile(std::size_t size, std::size_t recordAt, std::uint8_t kind);
Bytes HlpFile();
Bytes LowDocFile();
Bytes MnyFile();
// A cursor: one image of 744 bytes behind its directory entry (hot spot at 5, 7).
Bytes CurFile();
// A level-0 LHA entry: header size, checksum, method, sizes, time, attribute, level, name, CRC, data.
Bytes LzhEntry(const char* method, const std::string& name, std::uint32_t packed, std::size_t dataBytes);
Bytes LzhArchive();

// A RAR 4 archive: marker, archive header, one stored file of `data` bytes, the end block.
Bytes Rar4File(std::uint32_t data = 1500, bool endBlock = true);
// StuffIt 5: the stated length is the file's.
Bytes Sit5File();
// StuffIt X: a body, then the closing mark (its fourth byte `kind`) and the bytes after it.
Bytes SitxFile(std::uint8_t kind = 0x19);
// A bzip2-compressed disk image of `bodyBytes` bytes before its 512-byte "koly" trailer.
Bytes DmgFile(std::size_t bodyBytes);
// Two sections of a OneNote file chained by their expected lengths.
Bytes OneFile();
// Outlook file of the Unicode (23) or ANSI (14) kind, of `size` bytes.
Bytes PstFile(std::uint8_t version, std::size_t size);
Bytes WpdFile(std::uint32_t product, std::uint32_t index);
Bytes ItlFile();
Bytes PspFile();
// A metafile of `records` bytes after its header, with or without the placeable header.
Bytes WmfFile(bool placeable);
Bytes ThreeDsFile();
Bytes MrwFile();
Bytes X3fFile(std::size_t size);

// A key store of one trusted certificate entry, `length` bytes with its digest.
Bytes JksFile(std::size_t length);
// A Password Safe 3 database of `length` bytes: header and records, the end block and the HMAC.
Bytes Psafe3File(std::size_t length);
Bytes NgrrFile(std::initializer_list<std::uint32_t> blocks);
Bytes AepFile(std::uint32_t treeBytes, bool packet);
Bytes DbxFile(std::size_t size, bool folderList);
Bytes MobiFile(std::initializer_list<std::uint32_t> records);
Bytes SibFile(std::size_t length);
Bytes WpgFile(std::size_t length);
Bytes InddFile(std::initializer_list<std::uint32_t> streams);
Bytes MlvFile(std::initializer_list<std::uint32_t> frames);
Bytes Fh11File(std::size_t size);

}  // namespace quellsy::test::formats
