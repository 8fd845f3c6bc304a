#include "app/run.hpp"

int main(int argc, char** argv) {
    return tarnwick::run(argc, argv);
}
