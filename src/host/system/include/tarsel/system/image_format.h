// ImageFormat: a media format of pictures, with the frame size and pixel aspect it delivers.
#pragma once

#include <cstdint>

#include "tarsel/system/media_format.h"

class Image;

// Attributes ImageFormat answers through CopyAttr.
enum ImageFormatAttr : Tag {
    IFA_Width = 0x100000c0,        // int32_t
    IFA_Height = 0x100000c1,       // int32_t
    IFA_BitsPerPixel = 0x100000c2, // int32_t
    IFA_PixelAspectX = 0x200000c0, // double
    IFA_PixelAspectY = 0x200000c1, // double
};

class ImageFormat : public MediaFormat {
  public:
    ImageFormat(Registry* registry, const ScriptVal& table, const TagList& tags);
    ~ImageFormat() override;

    bool CopyAttr(Tag tag, void* out) override;

    virtual bool LoadHeader(const TsStringT& path);
    // Makes the output image of Width x Height, with the pixel aspect of the tags
    // IMG_PixelAspectX / IMG_PixelAspectY (doubles; default: the format's own), and hands it to
    // the caller in `image` (a new reference; an image already there is released). False when
    // the size is not set or the image cannot be made.
    virtual bool LoadFrameTagList(int32_t frame, Image*& image, TagList& tags);
    virtual bool SaveHeader(const TsStringT& path, Image* templateImage);
    virtual bool SaveFrame(Image* image);

    // What the format delivers; formats set these in their load header.
    int32_t Width = 0;
    int32_t Height = 0;
    double PixelAspectX = 1.0;
    double PixelAspectY = 1.0;
    int32_t BitsPerPixel = 0;
};
