#pragma once
// A stored block of the data area (payload/format/solid_block.h, the stored method): the files
// as they are, after a head whose members carry each file's CRC-32. The head is made here, the
// files read once for their checksums; their bytes are copied again when the image is written.
#include "shipping/base/bytes.h"
#include "shipping/packing/block_compression.h"

#include <string>
#include <vector>

namespace kitbag {

// The head of a stored block of files, at least one and none empty. Fails, naming the file, when
// one cannot be read or its size is no longer the listed one.
bool StoredBlockHead(const std::vector<BlockFile>& files, Bytes& head, std::string& error);

} // namespace kitbag
