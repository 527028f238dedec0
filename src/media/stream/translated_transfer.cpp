// Formats, the translator chain and translated transfers of the codec stream.
//
// The chain runs from the file side to the memory side: reading, the file's
// bytes enter the first active translator and the last one delivers into the
// caller's buffer; writing goes the other way. Each node's work buffer holds
// data in the form of that node's file side: the first active node's buffer
// receives (or supplies) the file's bytes, a later node's buffer the output of
// the node before it. Data moves in pieces of at most the first active node's
// buffer; codecs size that buffer to a whole field or frame, so that a frame
// is one procedure transfer translated straight into the caller's buffer.
#include "media/codec_support/codec_stream.h"
#include "media/internal/media_records.h"
#include "omf/internal/error_flow.h"
#include "stream/stream_pieces.h"

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

namespace omf::media {

namespace {

bool isOpen(const CodecStream& stream) {
    return stream.tag == kStreamTag;
}

bool formatSet(const CodecStream& stream, const StreamFormat& format) {
    omfObject_t nullKind = stream.media != nullptr ? stream.media->nullKind : nullptr;
    return format.kind != nullKind;
}

// The active nodes, file side first; each must have a translator.
omfErr_t activeChain(CodecStream& stream, std::vector<TranslatorNode*>* chain) {
    chain->clear();
    for (TranslatorNode* node = stream.translators.get(); node != nullptr;
         node = node->next.get()) {
        if (!node->active) continue;
        if (node->translator == nullptr) OMF_RAISE(stream.file, OM_ERR_MISSING_SWAP_PROC);
        chain->push_back(node);
    }
    return 0;
}

omfErr_t chainMemoryBytes(CodecStream& stream, const std::vector<TranslatorNode*>& chain,
                          omfInt64 fileBytes, omfInt64* memoryBytes) {
    omfInt64 bytes = fileBytes;
    for (TranslatorNode* node : chain) {
        OMF_CHECK(stream.file, node->translator->memoryBytes(bytes, &bytes));
    }
    *memoryBytes = bytes;
    return 0;
}

omfErr_t chainFileBytes(CodecStream& stream, const std::vector<TranslatorNode*>& chain,
                        omfInt64 memoryBytes, omfInt64* fileBytes) {
    omfInt64 bytes = memoryBytes;
    for (auto node = chain.rbegin(); node != chain.rend(); ++node) {
        OMF_CHECK(stream.file, (*node)->translator->fileBytes(bytes, &bytes));
    }
    *fileBytes = bytes;
    return 0;
}

// Checks shared by translated reads and writes. `*chain` receives the active
// nodes; `*memoryNeeded` the memory size of `fileBytes`.
omfErr_t prepareTranslated(CodecStream& stream, omfInt64 fileBytes, const void* buffer,
                           omfInt64 bufferSize, omfInt64* memoryBytes,
                           std::vector<TranslatorNode*>* chain, omfInt64* memoryNeeded) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (buffer == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_DATA_ADDRESS);
    if (memoryBytes == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_PARAM);
    *memoryBytes = 0;
    if (fileBytes < 0 || bufferSize < 0) OMF_RAISE(stream.file, OM_ERR_NEGATIVE_VALUE);
    if (!formatSet(stream, stream.memoryFormat) || !formatSet(stream, stream.fileFormat))
        OMF_RAISE(stream.file, OM_ERR_FORMATS_NOT_SET);
    OMF_CHECK(stream.file, activeChain(stream, chain));
    OMF_CHECK(stream.file, chainMemoryBytes(stream, *chain, fileBytes, memoryNeeded));
    if (*memoryNeeded > bufferSize) OMF_RAISE(stream.file, OM_ERR_SAMPLE_TOO_LARGE);
    for (TranslatorNode* node : *chain) {
        if (node->buffer.empty() || node->buffer.size() % 4 != 0)
            OMF_RAISE(stream.file, OM_ERR_INVALID_SWAB_BUFFER_SIZE);
    }
    return 0;
}

// The file bytes of the next piece: at most the first node's buffer, cut
// back to whole units of the translation when the transfer goes on after it.
omfErr_t nextPiece(CodecStream& stream, const std::vector<TranslatorNode*>& chain,
                   omfInt64 remaining, omfInt64* piece) {
    auto capacity = static_cast<omfInt64>(chain.front()->buffer.size());
    if (remaining <= capacity) {
        *piece = remaining;
        return 0;
    }
    omfInt64 memory = 0, whole = 0;
    OMF_CHECK(stream.file, chainMemoryBytes(stream, chain, capacity, &memory));
    OMF_CHECK(stream.file, chainFileBytes(stream, chain, memory, &whole));
    // A buffer that cannot hold one unit cannot carry the transfer.
    if (whole <= 0) OMF_RAISE(stream.file, OM_ERR_INVALID_SWAB_BUFFER_SIZE);
    *piece = std::min(whole, capacity);
    return 0;
}

// Runs one translator, checking that its output fits where it goes.
omfErr_t translateStep(CodecStream& stream, TranslatorNode& node, bool reading,
                       std::span<const uint8_t> in, std::span<uint8_t> out, size_t* produced) {
    omfInt64 needed = 0;
    if (reading) {
        OMF_CHECK(stream.file,
                  node.translator->memoryBytes(static_cast<omfInt64>(in.size()), &needed));
    } else {
        OMF_CHECK(stream.file,
                  node.translator->fileBytes(static_cast<omfInt64>(in.size()), &needed));
    }
    if (needed > static_cast<omfInt64>(out.size()))
        OMF_RAISE(stream.file, OM_ERR_INVALID_SWAB_BUFFER_SIZE);
    *produced = 0;
    OMF_CHECK(stream.file,
              node.translator->translate(reading, in, out, stream.fileFormat.swap, produced));
    *produced = std::min(*produced, out.size());
    return 0;
}

// Tells every node the current formats; each decides whether it is active.
omfErr_t announceFormats(CodecStream& stream, TranslatorNode& node) {
    if (node.translator == nullptr) return 0;
    bool active = false;
    OMF_CHECK(stream.file,
              node.translator->setFormats(stream.memoryFormat, stream.fileFormat, &active));
    node.active = active;
    return 0;
}

omfErr_t announceFormats(CodecStream& stream) {
    for (TranslatorNode* node = stream.translators.get(); node != nullptr;
         node = node->next.get()) {
        OMF_CHECK(stream.file, announceFormats(stream, *node));
    }
    return 0;
}

} // namespace

omfErr_t streamSetMemoryFormat(CodecStream& stream, const StreamFormat& format) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    stream.memoryFormat = format;
    OMF_CHECK(stream.file, announceFormats(stream));
    return 0;
}

omfErr_t streamSetFileFormat(CodecStream& stream, const StreamFormat& format) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    stream.fileFormat = format;
    OMF_CHECK(stream.file, announceFormats(stream));
    return 0;
}

omfErr_t streamAddTranslator(CodecStream& stream, std::unique_ptr<FormatTranslator> translator) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (translator == nullptr) OMF_RAISE(stream.file, OM_ERR_MISSING_SWAP_PROC);
    auto node = std::make_unique<TranslatorNode>();
    node->translator = std::move(translator);
    try {
        node->buffer.assign(kTranslatorBufferSize, 0);
    } catch (const std::bad_alloc&) {
        OMF_RAISE(stream.file, OM_ERR_NO_MEMORY);
    }
    OMF_CHECK(stream.file, announceFormats(stream, *node));
    std::unique_ptr<TranslatorNode>* end = &stream.translators;
    while (*end != nullptr)
        end = &(*end)->next;
    *end = std::move(node);
    return 0;
}

omfErr_t streamSetTranslatorBufferSize(CodecStream& stream, size_t bytes) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (bytes == 0 || bytes > std::numeric_limits<size_t>::max() - 3)
        OMF_RAISE(stream.file, OM_ERR_INVALID_SWAB_BUFFER_SIZE);
    size_t rounded = (bytes + 3) & ~size_t(3);
    for (TranslatorNode* node = stream.translators.get(); node != nullptr;
         node = node->next.get()) {
        // Codecs set the size before every frame: a buffer of that size is
        // kept, so frames are not read through freshly zeroed memory.
        if (node->buffer.size() == rounded) continue;
        try {
            // The old contents are of no use; drop them rather than copy them.
            std::vector<uint8_t>().swap(node->buffer);
            node->buffer.resize(rounded);
        } catch (const std::bad_alloc&) {
            OMF_RAISE(stream.file, OM_ERR_NO_MEMORY);
        }
    }
    return 0;
}

omfErr_t streamFileBytes(CodecStream& stream, omfInt64 memoryBytes, omfInt64* fileBytes) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (fileBytes == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_PARAM);
    std::vector<TranslatorNode*> chain;
    OMF_CHECK(stream.file, activeChain(stream, &chain));
    OMF_CHECK(stream.file, chainFileBytes(stream, chain, memoryBytes, fileBytes));
    return 0;
}

omfErr_t streamMemoryBytes(CodecStream& stream, omfInt64 fileBytes, omfInt64* memoryBytes) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (memoryBytes == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_PARAM);
    std::vector<TranslatorNode*> chain;
    OMF_CHECK(stream.file, activeChain(stream, &chain));
    OMF_CHECK(stream.file, chainMemoryBytes(stream, chain, fileBytes, memoryBytes));
    return 0;
}

omfErr_t streamReadTranslated(CodecStream& stream, omfInt64 fileBytes, void* buffer,
                              omfInt64 bufferSize, omfInt64* memoryBytes) {
    std::vector<TranslatorNode*> chain;
    omfInt64 needed = 0;
    OMF_CHECK(stream.file, prepareTranslated(stream, fileBytes, buffer, bufferSize, memoryBytes,
                                             &chain, &needed));
    if (chain.empty()) {
        omfErr_t status = streamRead(stream, buffer, fileBytes, memoryBytes);
        if (status != 0) return propagate(stream.file, status, __FILE__, __LINE__);
        return 0;
    }

    auto* out = static_cast<uint8_t*>(buffer);
    auto outLeft = static_cast<size_t>(bufferSize);
    omfInt64 delivered = 0;
    for (omfInt64 remaining = fileBytes; remaining > 0;) {
        omfInt64 piece = 0;
        OMF_CHECK(stream.file, nextPiece(stream, chain, remaining, &piece));
        std::vector<uint8_t>& fileSide = chain.front()->buffer;
        omfInt64 got = 0;
        omfErr_t readStatus = streamReadPiece(stream, fileSide.data(), piece, &got);
        if (readStatus != 0 && readStatus != OM_ERR_END_OF_FILE)
            return propagate(stream.file, readStatus, __FILE__, __LINE__);

        // Whatever arrived is translated, also when the data ended early.
        std::span<const uint8_t> in(fileSide.data(), static_cast<size_t>(got));
        for (size_t i = 0; i < chain.size() && !in.empty(); ++i) {
            bool last = i + 1 == chain.size();
            std::span<uint8_t> target =
                last ? std::span<uint8_t>(out, outLeft) : std::span<uint8_t>(chain[i + 1]->buffer);
            size_t produced = 0;
            OMF_CHECK(stream.file, translateStep(stream, *chain[i], true, in, target, &produced));
            in = std::span<const uint8_t>(target.data(), produced);
        }
        out += in.size();
        outLeft -= in.size();
        delivered += static_cast<omfInt64>(in.size());
        *memoryBytes = delivered;
        if (readStatus != 0) return propagate(stream.file, readStatus, __FILE__, __LINE__);
        remaining -= piece;
    }
    return 0;
}

omfErr_t streamWriteTranslated(CodecStream& stream, omfInt64 fileBytes, const void* buffer,
                               omfInt64 bufferSize, omfInt64* memoryBytes) {
    std::vector<TranslatorNode*> chain;
    omfInt64 needed = 0;
    OMF_CHECK(stream.file, prepareTranslated(stream, fileBytes, buffer, bufferSize, memoryBytes,
                                             &chain, &needed));
    if (chain.empty()) {
        OMF_CHECK(stream.file, streamWrite(stream, buffer, fileBytes));
        *memoryBytes = fileBytes;
        return 0;
    }

    const auto* in = static_cast<const uint8_t*>(buffer);
    omfInt64 consumed = 0;
    for (omfInt64 remaining = fileBytes; remaining > 0;) {
        omfInt64 piece = 0, memoryPiece = 0;
        OMF_CHECK(stream.file, nextPiece(stream, chain, remaining, &piece));
        OMF_CHECK(stream.file, chainMemoryBytes(stream, chain, piece, &memoryPiece));
        memoryPiece = std::min(memoryPiece, bufferSize - consumed);
        std::span<const uint8_t> data(in + consumed, static_cast<size_t>(memoryPiece));
        for (size_t i = chain.size(); i-- > 0;) {
            size_t produced = 0;
            std::span<uint8_t> target(chain[i]->buffer);
            OMF_CHECK(stream.file,
                      translateStep(stream, *chain[i], false, data, target, &produced));
            data = std::span<const uint8_t>(target.data(), produced);
        }
        OMF_CHECK(stream.file,
                  streamWritePiece(stream, data.data(), static_cast<omfInt64>(data.size())));
        consumed += memoryPiece;
        *memoryBytes = consumed;
        remaining -= piece;
    }
    return 0;
}

bool streamTranslating(const CodecStream& stream) {
    for (const TranslatorNode* node = stream.translators.get(); node != nullptr;
         node = node->next.get()) {
        if (node->active) return true;
    }
    return false;
}

omfErr_t streamTranslateBuffer(CodecStream& stream, bool reading, std::span<const uint8_t> in,
                               std::span<uint8_t> out, size_t* produced) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (produced == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_PARAM);
    *produced = 0;
    std::vector<TranslatorNode*> chain;
    OMF_CHECK(stream.file, activeChain(stream, &chain));
    omfInt64 needed = 0;
    auto inBytes = static_cast<omfInt64>(in.size());
    if (reading) {
        OMF_CHECK(stream.file, chainMemoryBytes(stream, chain, inBytes, &needed));
    } else {
        OMF_CHECK(stream.file, chainFileBytes(stream, chain, inBytes, &needed));
    }
    if (needed > static_cast<omfInt64>(out.size())) OMF_RAISE(stream.file, OM_ERR_SAMPLE_TOO_LARGE);
    if (chain.empty()) {
        std::copy(in.begin(), in.end(), out.begin());
        *produced = in.size();
        return 0;
    }
    if (!reading) std::reverse(chain.begin(), chain.end());
    // Stages between two translators need room of their own.
    std::vector<uint8_t> stages[2];
    std::span<const uint8_t> data = in;
    for (size_t i = 0; i < chain.size(); ++i) {
        std::span<uint8_t> target = out;
        if (i + 1 < chain.size()) {
            omfInt64 stageBytes = 0;
            auto dataBytes = static_cast<omfInt64>(data.size());
            if (reading) {
                OMF_CHECK(stream.file, chain[i]->translator->memoryBytes(dataBytes, &stageBytes));
            } else {
                OMF_CHECK(stream.file, chain[i]->translator->fileBytes(dataBytes, &stageBytes));
            }
            stages[i % 2].resize(static_cast<size_t>(stageBytes));
            target = stages[i % 2];
        }
        size_t made = 0;
        OMF_CHECK(stream.file, translateStep(stream, *chain[i], reading, data, target, &made));
        data = std::span<const uint8_t>(target.data(), made);
    }
    *produced = data.size();
    return 0;
}

} // namespace omf::media
