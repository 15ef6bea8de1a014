/* An independent reader of a keyed Paradox table's primary index: pxlib
 * (a test helper only, never linked into the product). Usage:
 *   px_index_reader TABLE.DB TABLE.PX
 * Prints "ok ENTRIES RECORDS" when pxlib reads the index whole and the
 * level-1 entries count the table's records; else the error and exit 1. */
extern "C" {
#include <paradox.h> // no extern "C" of its own
}

#include <cstdio>
#include <cstdlib>

namespace {

void fail(pxdoc_t* p, int type, const char* msg, void* data) {
    (void)p;
    (void)type;
    (void)data;
    std::printf("error %s\n", msg);
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: px_index_reader TABLE.DB TABLE.PX\n");
        return 2;
    }
    PX_boot();
    pxdoc_t* db = PX_new2(fail, nullptr, nullptr, nullptr);
    pxdoc_t* index = PX_new2(fail, nullptr, nullptr, nullptr);
    if (PX_open_file(db, argv[1]) < 0 || PX_open_file(index, argv[2]) < 0)
        return 1;
    if (PX_read_primary_index(index) < 0 || PX_add_primary_index(db, index) < 0)
        return 1;
    /* The level-1 entries (those pointing into the table) count every record. */
    pxpindex_t* entries = static_cast<pxpindex_t*>(index->px_data);
    long counted = 0;
    for (int i = 0; i < index->px_datalen; i++)
        if (entries[i].level == 1)
            counted += entries[i].numrecords;
    int records = PX_get_num_records(db);
    if (counted != records) {
        std::printf("error the index counts %ld of %d records\n", counted, records);
        return 1;
    }
    std::printf("ok %d %d\n", index->px_datalen, records);
    PX_close(index);
    PX_close(db);
    PX_delete(index);
    PX_delete(db);
    PX_shutdown();
    return 0;
}
