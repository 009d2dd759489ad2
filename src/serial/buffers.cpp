#include "serial/buffers.h"

namespace tarnwick {

uint8_t txBuffer[txBufferSize];
uint8_t rxBuffer[rxBufferSize];
uint32_t rxCount = 0;
uint8_t responseStatus = 0;

}  // namespace tarnwick
