/* Reads a Paradox file with the packaged pxlib, as a reader independent of
 * our engine:
 *
 *     px_dump FILE [PRIMARY-INDEX]
 *
 * prints "type T keys K records N" (file type, primary key fields, record
 * count from the header), then one line per record, its values separated by
 * tabs (texts as stored, numbers with %g, empty values empty). With a .PX
 * given, pxlib reads it and checks it against the table first. */
extern "C" {
#include <paradox.h>
}
#include <stdio.h>
#include <stdlib.h>

static void quiet(pxdoc_t* doc, int type, const char* message, void* data) {
    (void)doc;
    (void)type;
    (void)data;
    fprintf(stderr, "pxlib: %s\n", message);
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    PX_boot();
    pxdoc_t* doc = PX_new3(quiet, NULL, NULL, NULL, NULL);
    if (PX_open_file(doc, argv[1]) < 0)
        return 1;
    if (argc > 2) {
        pxdoc_t* index = PX_new3(quiet, NULL, NULL, NULL, NULL);
        if (PX_open_file(index, argv[2]) < 0 || PX_read_primary_index(index) < 0 ||
            PX_add_primary_index(doc, index) < 0)
            return 1;
    }
    printf("type %d keys %d records %d\n", doc->px_head->px_filetype,
           doc->px_head->px_primarykeyfields, doc->px_head->px_numrecords);
    int fields = PX_get_num_fields(doc);
    for (int row = 0; row < PX_get_num_records(doc); ++row) {
        pxval_t** values = PX_retrieve_record(doc, row);
        if (!values)
            return 1;
        for (int i = 0; i < fields; ++i) {
            pxval_t* value = values[i];
            if (i > 0)
                putchar('\t');
            if (!value->isnull) {
                if (value->type == pxfAlpha || value->type == pxfMemoBLOb)
                    printf("%.*s", value->value.str.len, value->value.str.val);
                else if (value->type == pxfNumber || value->type == pxfCurrency)
                    printf("%g", value->value.dval);
                else
                    printf("%ld", value->value.lval);
            }
            doc->free(doc, value);
        }
        doc->free(doc, values);
        putchar('\n');
    }
    PX_close(doc);
    PX_delete(doc);
    PX_shutdown();
    return 0;
}
