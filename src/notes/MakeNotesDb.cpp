// Makes the notes database of an installation tree when it has none; an existing one is kept.
#include "notes/NotesDatabase.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: nodo-make-notes-db FILE\n");
        return 2;
    }
    try {
        if (nodo::CreateNotesDatabase(argv[1])) std::printf("created %s\n", argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nodo-make-notes-db: %s\n", e.what());
        return 1;
    }
    return 0;
}
