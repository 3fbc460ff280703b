#include "pages/pages.h"

#include "pages/converters/TcForm1.h"
#include "pages/converters/TcForm4.h"
#include "shell/PageRegistry.h"

void registerPages(PageRegistry &registry)
{
    registry.add(9, [] { return new TcForm1; });
    registry.add(13, [] { return new TcForm4; });
}
