// The built-in class hierarchy of both revisions. In 1.x files CPNT is the
// root of the components and HEAD, CLSD, TRAK, ATTR, ATTB, MDES and the
// locators are roots; in 2.x files every class descends from OOBJ.
#include "registry/builtin_tables.h"

namespace omf::builtin {

namespace {

// Class, 1.x parent, 1.x flag, 2.x parent; rows of 1.x classes first, then
// the 2.x classes, then the media classes.
constexpr ClassRow kClassRows[] = {
    {"CPNT", kRoot, 0, "OOBJ"},   {"CLIP", "CPNT", 0, nullptr}, {"ATCP", "CLIP", 0, nullptr},
    {"FILL", "CLIP", 0, "SEGM"},  {"ECCP", "CLIP", 0, "SEGM"},  {"TCCP", "CLIP", 0, "SEGM"},
    {"SCLP", "CLIP", 0, "SEGM"},  {"TRKR", "CLIP", 0, nullptr}, {"SEQU", "CPNT", 0, "SEGM"},
    {"TRKG", "CPNT", 0, nullptr}, {"MOBJ", "TRKG", 0, "OOBJ"},  {"TRAN", "TRKG", 0, "CPNT"},
    {"SLCT", "TRKG", 0, "SEGM"},  {"WARP", "TRKG", 0, nullptr}, {"SPED", "WARP", 0, nullptr},
    {"MASK", "WARP", 0, nullptr}, {"REPT", "WARP", 0, nullptr}, {"HEAD", kRoot, 0, "OOBJ"},
    {"CLSD", kRoot, 0, "OOBJ"},   {"TRAK", kRoot, 0, nullptr},  {"ATTR", kRoot, 0, "OOBJ"},
    {"ATTB", kRoot, 0, "OOBJ"},   {"MDES", kRoot, 0, "OOBJ"},   {"MDFL", "MDES", 0, "MDES"},
    {"MDTP", "MDES", 0, "MDES"},  {"MDFM", "MDES", 0, "MDES"},  {"MDNG", "MDES", 0, nullptr},
    {"DOSL", kRoot, 0, "LOCR"},   {"MACL", kRoot, 0, "LOCR"},   {"UNXL", kRoot, 0, "LOCR"},
    {"TXTL", kRoot, 0, "LOCR"},   {"OOBJ", nullptr, 0, kRoot},  {"DDEF", nullptr, 0, "OOBJ"},
    {"MSLT", nullptr, 0, "OOBJ"}, {"SEGM", nullptr, 0, "CPNT"}, {"EFFE", nullptr, 0, "SEGM"},
    {"ESLT", nullptr, 0, "OOBJ"}, {"EDEF", nullptr, 0, "OOBJ"}, {"CVAL", nullptr, 0, "SEGM"},
    {"VVAL", nullptr, 0, "SEGM"}, {"CTLP", nullptr, 0, "OOBJ"}, {"NEST", nullptr, 0, "SEGM"},
    {"SREF", nullptr, 0, "SEGM"}, {"CMOB", nullptr, 0, "MOBJ"}, {"ERAT", nullptr, 0, "SEGM"},
    {"LOCR", nullptr, 0, "OOBJ"}, {"MMOB", nullptr, 0, "MOBJ"}, {"SMOB", nullptr, 0, "MOBJ"},
    {"MGRP", nullptr, 0, "SEGM"}, {"TRKD", nullptr, 0, "OOBJ"}, {"WINL", nullptr, 0, "LOCR"},
    {"MDAT", kRoot, 2, "OOBJ"},   {"DIDD", "MDFL", 2, "MDFL"},  {"TIFF", kRoot, 0, "MDAT"},
    {"TIFD", "MDFL", 0, "MDFL"},  {"WAVE", kRoot, 0, "MDAT"},   {"WAVD", "MDFL", 0, "MDFL"},
    {"IDAT", "MDAT", 2, "MDAT"},  {"RGBA", "DIDD", 2, "DIDD"},  {"AIFC", kRoot, 0, "MDAT"},
    {"AIFD", "MDFL", 0, "MDFL"},  {"CDCI", "DIDD", 2, "DIDD"},  {"JPEG", "IDAT", 2, "IDAT"},
    {"IDNT", kRoot, 2, "OOBJ"},   {"NETL", nullptr, 0, "LOCR"}, {"PDWN", nullptr, 0, "SEGM"},
};

} // namespace

std::span<const ClassRow> classRows() {
    return kClassRows;
}

} // namespace omf::builtin
