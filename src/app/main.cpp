#include "app/startup.h"

int main() { return veltrano::app::Main(); }
