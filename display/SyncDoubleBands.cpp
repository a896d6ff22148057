#include "display/SyncDoubleBands.h"

CSyncDoubleBands SyncDoubleBands(int width, int height) {
    switch (width) {
    case 640:
        return {223, 257};
    case 800:
        return {285, 315};
    case 1024:
        return {364, 404};
    case 1152:
        return {412, 452};
    case 1280:
        return {495, 529};
    default:
        return {height / 2 - 20, height / 2 + 20};
    }
}
