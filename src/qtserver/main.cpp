// TarselQTServer: serves movie work to the host over its scripting
// connection. Started by the host with one argument.
#include "server_startup.h"

int main(int argc, char** argv) {
    return RunQTServer(argc, argv);
}
