#include "app/avvio.h"

int main(int argc, char** argv) {
    return tarvolin::app::AvviaTarvolin(argc, argv);
}
