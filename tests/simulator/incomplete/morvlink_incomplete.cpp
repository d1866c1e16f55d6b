// Every driver entry except 21 (write device ID), each answering as if no instrument were there.
#include <cstdint>

#define ENTRY extern "C" __attribute__((visibility("default"))) int

ENTRY morvlink_entry_1(int) {
    return 0;
}
ENTRY morvlink_entry_2(int, std::uint32_t*) {
    return 0;
}
ENTRY morvlink_entry_3(int, int, const void*) {
    return 0;
}
ENTRY morvlink_entry_4(int, int, int, int, int, int) {
    return 0;
}
ENTRY morvlink_entry_5(int, const void*, int, int, int, const std::uint16_t*) {
    return 0;
}
ENTRY morvlink_entry_6(int) {
    return 0;
}
ENTRY morvlink_entry_7(int) {
    return 0;
}
ENTRY morvlink_entry_8(int) {
    return 1;
}
ENTRY morvlink_entry_9(int, std::uint16_t*, int) {
    return 0;
}
ENTRY morvlink_entry_10(int, const std::uint16_t*, int) {
    return 0;
}
ENTRY morvlink_entry_13(int, int, int, int) {
    return 0;
}
ENTRY morvlink_entry_14(int, std::uint16_t*) {
    return 0;
}
ENTRY morvlink_entry_15(int, int) {
    return 0;
}
ENTRY morvlink_entry_16(int, std::uint16_t*, std::uint16_t*, const void*, std::uint32_t, int) {
    return 0;
}
ENTRY morvlink_entry_20(int, std::uint16_t*) {
    return 0;
}
