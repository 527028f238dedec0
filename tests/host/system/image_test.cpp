// Behaviour of Image: pixel storage, conversions and the geometric operations.
#include "tarsel/system/image.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tarsel/tags.h"

namespace {

// Holds one image reference for a test.
struct ImageRef {
    Image* image;
    explicit ImageRef(Image* i) : image(i) {}
    ~ImageRef() {
        if (image) image->Recycle();
    }
    Image* operator->() const { return image; }
};

// A pattern where every channel tells the pixel's position.
Pixel PatternAt(int x, int y) {
    return {uint32_t(x * 100 + y), uint32_t(x + 7), uint32_t(y + 11), uint32_t(60000 - x - y)};
}

Image* PatternImage(int w, int h) {
    Image* image = Image::New(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image->StorePixel(x, y, PatternAt(x, y));
    return image;
}

// Fills row `top` (counted from the top) with the value `v` in every channel.
void FillRowFromTop(Image* image, int top, uint32_t v) {
    for (int x = 0; x < image->Width(); ++x)
        image->StorePixel(x, image->Height() - 1 - top, {v, v, v, v});
}

uint32_t RowValueFromTop(const Image* image, int top) {
    return image->FetchPixel(0, image->Height() - 1 - top).B;
}

TEST(ImageStorage, NewImagesAreBlackAndRejectBadSizes) {
    ImageRef image(Image::New(3, 2, 0.9, 1.0));
    ASSERT_NE(image.image, nullptr);
    EXPECT_EQ(image->Width(), 3);
    EXPECT_EQ(image->Height(), 2);
    EXPECT_DOUBLE_EQ(image->PixelAspectX(), 0.9);
    EXPECT_EQ(image->FetchPixel(2, 1), Pixel{});
    EXPECT_EQ(Image::New(0, 5), nullptr);
    EXPECT_EQ(Image::New(5, -1), nullptr);
    EXPECT_EQ(Image::New(Image::MaxSide + 1, 1), nullptr);
    EXPECT_EQ(Image::New(Image::MaxSide, Image::MaxSide), nullptr);
}

TEST(ImageStorage, StoreAndFetchClampAndIgnoreOutsidePixels) {
    ImageRef image(Image::New(4, 3));
    image->StorePixel(1, 2, {1, 2, 3, 70000});
    EXPECT_EQ(image->FetchPixel(1, 2), (Pixel{1, 2, 3, 65535}));
    image->StorePixel(-1, 0, {9, 9, 9, 9});
    image->StorePixel(4, 0, {9, 9, 9, 9});
    image->StorePixel(0, 3, {9, 9, 9, 9});
    EXPECT_EQ(image->FetchPixel(4, 0), Pixel{});
    EXPECT_EQ(image->FetchPixel(0, -1), Pixel{});
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            if (!(x == 1 && y == 2)) {
                EXPECT_EQ(image->FetchPixel(x, y), Pixel{});
            }
        }
    }
}

TEST(ImageStorage, RowTablesAddressBottomUpRowsInBGRAOrder) {
    ImageRef image(Image::New(3, 2));
    image->StorePixel(2, 0, {10, 20, 30, 40});
    image->StorePixel(0, 1, {50, 60, 70, 80});
    const uint16_t* bottom = image->FetchRows()[0] + 2 * image->FetchStep();
    EXPECT_EQ(bottom[0], 10);
    EXPECT_EQ(bottom[3], 40);
    const uint16_t* top = image->FetchRows()[1];
    EXPECT_EQ(top[1], 60);
    image->StoreRows()[1][image->StoreStep() + 2] = 1234;
    EXPECT_EQ(image->FetchPixel(1, 1).R, 1234u);
}

TEST(ImageConversion, EightBitBuffersRoundTripTopDown) {
    const int w = 3, h = 2;
    std::vector<uint8_t> rgba(w * h * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = uint8_t(i * 37 + 5);
    ImageRef image(Image::FromRGBA8(rgba.data(), w, h, w * 4));
    ASSERT_NE(image.image, nullptr);
    // The buffer's first row is the image's top row; channels widen by 257.
    EXPECT_EQ(image->FetchPixel(0, 1),
              (Pixel{rgba[2] * 257u, rgba[1] * 257u, rgba[0] * 257u, rgba[3] * 257u}));
    EXPECT_EQ(image->FetchPixel(2, 0).R, rgba[(1 * w + 2) * 4] * 257u);
    std::vector<uint8_t> back(rgba.size());
    image->ToRGBA8(back.data(), w * 4);
    EXPECT_EQ(back, rgba);
}

TEST(ImageConversion, SixteenBitBuffersKeepValuesAndNarrowingRounds) {
    std::vector<uint16_t> rgba = {1, 2, 3, 4, 65535, 32767, 32768, 0};
    ImageRef image(Image::FromRGBA16(rgba.data(), 2, 1, 8));
    ASSERT_NE(image.image, nullptr);
    EXPECT_EQ(image->FetchPixel(1, 0), (Pixel{32768, 32767, 65535, 0}));
    std::vector<uint16_t> back(8);
    image->ToRGBA16(back.data(), 8);
    EXPECT_EQ(back, rgba);
    std::vector<uint8_t> narrow(8);
    image->ToRGBA8(narrow.data(), 8);
    EXPECT_EQ(narrow, (std::vector<uint8_t>{0, 0, 0, 0, 255, 127, 128, 0}));
    EXPECT_EQ(Image::FromRGBA8(nullptr, 2, 1, 8), nullptr);
    EXPECT_EQ(Image::FromRGBA16(rgba.data(), 2, 1, 4), nullptr);
}

TEST(ImageGeometry, CropCopiesTheRectangleAndZeroesWhatLiesOutside) {
    ImageRef source(PatternImage(6, 5));
    ImageRef crop(source->CropOfImage(2, 1, 3, 2));
    ASSERT_NE(crop.image, nullptr);
    ASSERT_EQ(crop->Width(), 3);
    ASSERT_EQ(crop->Height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(crop->FetchPixel(x, y), PatternAt(x + 2, y + 1));

    ImageRef partial(source->CropOfImage(4, -1, 4, 3));
    ASSERT_NE(partial.image, nullptr);
    EXPECT_EQ(partial->FetchPixel(0, 0), Pixel{}); // below the source
    EXPECT_EQ(partial->FetchPixel(0, 1), PatternAt(4, 0));
    EXPECT_EQ(partial->FetchPixel(1, 2), PatternAt(5, 1));
    EXPECT_EQ(partial->FetchPixel(2, 1), Pixel{}); // right of the source
    EXPECT_EQ(source->CropOfImage(0, 0, 0, 3), nullptr);
}

TEST(ImageGeometry, ResizeMethodsGiveKnownValues) {
    ImageRef source(Image::New(4, 2));
    const uint32_t values[2][4] = {{0, 100, 200, 300}, {1000, 1100, 1200, 1300}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            source->StorePixel(x, y, {values[y][x], 0, 0, 65535});

    ImageRef box(source->ResizeOfImage(2, 1, RESIZE_Box));
    ASSERT_NE(box.image, nullptr);
    EXPECT_EQ(box->FetchPixel(0, 0).B, (0u + 100 + 1000 + 1100) / 4);
    EXPECT_EQ(box->FetchPixel(1, 0).B, (200u + 300 + 1200 + 1300) / 4);
    EXPECT_EQ(box->FetchPixel(1, 0).A, 65535u);

    ImageRef nearest(source->ResizeOfImage(8, 2, RESIZE_Nearest));
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(nearest->FetchPixel(x, 1).B, values[1][x / 2]);

    // Halving a row with bilinear sampling lands between the two source pixels.
    ImageRef bilinear(source->ResizeOfImage(2, 2, RESIZE_Bilinear));
    EXPECT_EQ(bilinear->FetchPixel(0, 0).B, 50u);
    EXPECT_EQ(bilinear->FetchPixel(1, 1).B, 1250u);

    TagList tags;
    tags.Set(IMG_Width, 2);
    tags.Set(IMG_ResizeMethod, int(RESIZE_Box));
    ImageRef tagged(source->ResizeOfImageTagList(tags));
    ASSERT_NE(tagged.image, nullptr);
    EXPECT_EQ(tagged->Width(), 2);
    EXPECT_EQ(tagged->Height(), 2); // height defaults to the source's
    EXPECT_EQ(tagged->FetchPixel(1, 1).B, 1250u);
    tags.Set(IMG_Height, 0);
    EXPECT_EQ(source->ResizeOfImageTagList(tags), nullptr);
}

TEST(ImageFields, CopyFieldPacksInterleavesAndRepeatsRows) {
    ImageRef frame(Image::New(2, 5));
    for (int top = 0; top < 5; ++top)
        FillRowFromTop(frame.image, top, 10 + top);

    ImageRef first(frame->CopyField(0, nullptr, -1, 1));
    ASSERT_NE(first.image, nullptr);
    ASSERT_EQ(first->Height(), 3);
    EXPECT_EQ(RowValueFromTop(first.image, 0), 10u);
    EXPECT_EQ(RowValueFromTop(first.image, 1), 12u);
    EXPECT_EQ(RowValueFromTop(first.image, 2), 14u);

    ImageRef doubled(frame->CopyField(1, nullptr, -1, 2));
    ASSERT_EQ(doubled->Height(), 4);
    const uint32_t expected[] = {11, 11, 13, 13};
    for (int top = 0; top < 4; ++top)
        EXPECT_EQ(RowValueFromTop(doubled.image, top), expected[top]);

    // Field 1 of the frame written into field 0 of a frame that already holds other rows.
    ImageRef target(Image::New(2, 5));
    for (int top = 0; top < 5; ++top)
        FillRowFromTop(target.image, top, 90);
    EXPECT_EQ(frame->CopyField(1, target.image, 0, 1), target.image);
    const uint32_t woven[] = {11, 90, 13, 90, 90};
    for (int top = 0; top < 5; ++top)
        EXPECT_EQ(RowValueFromTop(target.image, top), woven[top]);

    ImageRef narrow(Image::New(3, 5));
    EXPECT_EQ(frame->CopyField(0, narrow.image, 0, 1), nullptr);
    EXPECT_EQ(frame->CopyField(2, nullptr, -1, 1), nullptr);
    EXPECT_EQ(frame->CopyField(0, nullptr, -1, 0), nullptr);
}

TEST(ImageFields, ReverseFieldDominanceMovesThePictureOneRow) {
    ImageRef image(Image::New(1, 4));
    for (int top = 0; top < 4; ++top)
        FillRowFromTop(image.image, top, top);
    image->ReverseFieldDominance(true);
    const uint32_t up[] = {1, 2, 3, 3};
    for (int top = 0; top < 4; ++top)
        EXPECT_EQ(RowValueFromTop(image.image, top), up[top]);
    image->ReverseFieldDominance(false);
    const uint32_t down[] = {1, 1, 2, 3};
    for (int top = 0; top < 4; ++top)
        EXPECT_EQ(RowValueFromTop(image.image, top), down[top]);
}

TEST(ImageLifetime, UseAndRecycleCountReferencesAndCloneIsIndependent) {
    Image* image = PatternImage(2, 2);
    EXPECT_EQ(image->UseCount(), 1);
    image->Use();
    EXPECT_EQ(image->UseCount(), 2);
    image->Recycle();
    EXPECT_EQ(image->UseCount(), 1);
    Image* copy = image->Clone();
    image->StorePixel(0, 0, {});
    EXPECT_EQ(copy->FetchPixel(0, 0), PatternAt(0, 0));
    EXPECT_EQ(copy->UseCount(), 1);
    copy->Recycle();
    image->Recycle(); // the last reference frees it (checked by the address sanitizer)
}

} // namespace
