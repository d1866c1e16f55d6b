// Every driver entry except 21 (write device ID): the loader must refuse the library before calling any.
#define ENTRY(n)                                                                                             \
    extern "C" __attribute__((visibility("default"))) int morvlink_entry_##n() {                             \
        return 0;                                                                                            \
    }

ENTRY(1)
ENTRY(2)
ENTRY(3)
ENTRY(4)
ENTRY(5)
ENTRY(6)
ENTRY(7)
ENTRY(8)
ENTRY(9)
ENTRY(10)
ENTRY(13)
ENTRY(14)
ENTRY(15)
ENTRY(16)
ENTRY(20)
