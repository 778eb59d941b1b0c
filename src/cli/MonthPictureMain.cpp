// nodo-month-picture HEIGHT OUT.bmp: today's month view for `nodo-cli apply --calendar`, drawn by
// the calendar control off screen. A program of its own so that nodo-cli itself never loads Qt:
// every other command, the plain apply above all, starts as fast as a plain C program.
#include "cli/CalendarContent.h"
#include "imaging/PictureFile.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc != 3) {
        std::fprintf(stderr, "usage: nodo-month-picture BACKGROUND_HEIGHT OUT.bmp\n");
        return 2;
    }
    try {
        const int height = std::stoi(argv[1]);
        nodo::pic::SaveBmpFile(argv[2], nodo::cli::TodaysMonthPicture(height));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nodo-month-picture: %s\n", e.what());
        return 1;
    }
}
