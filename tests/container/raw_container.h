// Builds container files byte by byte, so tests can state exactly which TOC
// entries and label fields a file holds, including malformed ones.
#pragma once

#include <cstdint>
#include <vector>

namespace container_test {

class RawContainer {
  public:
    explicit RawContainer(bool bigEndian = false) : bigEndian_(bigEndian) {}

    // Value data placed at the start of the file; answers its offset.
    uint32_t data(const std::vector<unsigned char>& bytes) {
        auto offset = static_cast<uint32_t>(data_.size());
        data_.insert(data_.end(), bytes.begin(), bytes.end());
        return offset;
    }

    RawContainer& byte(unsigned char value) {
        toc_.push_back(value);
        return *this;
    }
    RawContainer& word(uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            int shift = bigEndian_ ? 24 - 8 * i : 8 * i;
            toc_.push_back(static_cast<unsigned char>(value >> shift));
        }
        return *this;
    }
    RawContainer& half(uint16_t value) {
        if (bigEndian_) {
            toc_.push_back(static_cast<unsigned char>(value >> 8));
            toc_.push_back(static_cast<unsigned char>(value));
        } else {
            toc_.push_back(static_cast<unsigned char>(value));
            toc_.push_back(static_cast<unsigned char>(value >> 8));
        }
        return *this;
    }
    RawContainer& raw(std::vector<unsigned char> bytes) {
        toc_.insert(toc_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    // Code-byte entries.
    RawContainer& object(uint32_t id, uint32_t property, uint32_t type) {
        return byte(1).word(id).word(property).word(type);
    }
    RawContainer& property(uint32_t property, uint32_t type) {
        return byte(2).word(property).word(type);
    }
    RawContainer& type(uint32_t type) { return byte(3).word(type); }
    RawContainer& segment(uint32_t offset, uint32_t length, bool continued = false) {
        return byte(continued ? 6 : 5).word(offset).word(length);
    }
    RawContainer& immediate(std::vector<unsigned char> bytes) {
        byte(static_cast<unsigned char>(9 + bytes.size()));
        if (bytes.empty()) return *this;
        bytes.resize(4, 0);
        return raw(bytes);
    }

    // Object 1 with its standard properties; `skip` leaves one property out.
    RawContainer& standardObject(uint32_t skip = 0, bool wrongTocSize = false) {
        bool first = true;
        auto start = [&](uint32_t property) {
            if (first) object(1, property, 19);
            else this->property(property, 19);
            first = false;
        };
        for (uint32_t property : {2u, 3u, 4u, 5u, 6u}) {
            if (property == skip) continue;
            start(property);
            if (property == 2 || property == 3) {
                byte(13).word(0x10000); // a 4-byte immediate in the container's order
            } else if (property == 6) {
                immediate({0, 0, 0, 0});
            } else {
                byte(5);
                (property == 4 ? tocPatch_ : sizePatch_) = toc_.size();
                word(0).word(0);
            }
        }
        wrongTocSize_ = wrongTocSize;
        return *this;
    }

    // Version-1 TOC entry.
    RawContainer& entry(uint32_t object, uint32_t property, uint32_t type, uint32_t offset,
                        uint32_t length, uint16_t generation = 1, uint16_t flags = 0) {
        word(object).word(property).word(type).word(offset).word(length);
        return half(generation).half(flags);
    }
    RawContainer& standardObjectVersion1() {
        entry(1, 2, 19, 0, 4, 1, 1);
        patchImmediate(0x10000);
        entry(1, 3, 19, 0, 4, 1, 1);
        patchImmediate(0x10000);
        tocPatch_ = toc_.size() + 12;
        entry(1, 4, 19, 0, 0);
        sizePatch_ = toc_.size() + 12;
        entry(1, 5, 19, 0, 0);
        entry(1, 6, 19, 0, 4, 1, 1);
        return *this;
    }

    size_t tocSize() const { return toc_.size(); }

    struct Label {
        uint16_t major = 2;
        uint16_t minor = 0;
        uint16_t bufSize = 1;
        uint16_t flags = 0x0101;
        bool badMagic = false;
        int64_t tocOffsetDelta = 0;
    };

    std::vector<unsigned char> build() { return build(Label{}); }
    std::vector<unsigned char> build(Label label) {
        std::vector<unsigned char> file = data_;
        while (file.size() % 4 != 0) file.push_back(0xFF);
        auto tocOffset = static_cast<uint32_t>(file.size());
        auto tocSize = static_cast<uint32_t>(toc_.size());
        std::vector<unsigned char> toc = toc_;
        auto put = [&](std::vector<unsigned char>& out, size_t at, uint32_t value) {
            for (int i = 0; i < 4; ++i) {
                int shift = bigEndian_ ? 24 - 8 * i : 8 * i;
                out[at + i] = static_cast<unsigned char>(value >> shift);
            }
        };
        uint32_t total = tocOffset + tocSize + 24;
        if (tocPatch_) {
            put(toc, tocPatch_, tocOffset);
            put(toc, tocPatch_ + 4, tocSize + (wrongTocSize_ ? 4 : 0));
        }
        if (sizePatch_) {
            put(toc, sizePatch_, 0);
            put(toc, sizePatch_ + 4, total);
        }
        file.insert(file.end(), toc.begin(), toc.end());
        const unsigned char magic[8] = {0xA4, 0x43, 0x4D, 0xA5, 0x48, 0x64, 0x72, 0xD7};
        file.insert(file.end(), magic, magic + 8);
        if (label.badMagic) file[file.size() - 8] = 0xA5;
        auto put16 = [&](uint16_t value) {
            if (bigEndian_) {
                file.push_back(static_cast<unsigned char>(value >> 8));
                file.push_back(static_cast<unsigned char>(value));
            } else {
                file.push_back(static_cast<unsigned char>(value));
                file.push_back(static_cast<unsigned char>(value >> 8));
            }
        };
        put16(label.flags);
        put16(label.bufSize);
        put16(label.major);
        put16(label.minor);
        file.resize(file.size() + 8);
        put(file, file.size() - 8, static_cast<uint32_t>(tocOffset + label.tocOffsetDelta));
        put(file, file.size() - 4, tocSize);
        return file;
    }

  private:
    void patchImmediate(uint32_t value) {
        // The offset field of an immediate version-1 entry holds raw bytes.
        size_t at = toc_.size() - 24 + 12;
        for (int i = 0; i < 4; ++i) {
            int shift = bigEndian_ ? 24 - 8 * i : 8 * i;
            toc_[at + i] = static_cast<unsigned char>(value >> shift);
        }
    }

    bool bigEndian_;
    bool wrongTocSize_ = false;
    size_t tocPatch_ = 0;
    size_t sizePatch_ = 0;
    std::vector<unsigned char> data_;
    std::vector<unsigned char> toc_;
};

} // namespace container_test
