#include "pages/pages.h"

#include "pages/controllers/TcForm12.h"
#include "pages/controllers/TcForm2.h"
#include "pages/controllers/TcForm6.h"
#include "pages/converters/TcForm1.h"
#include "pages/converters/TcForm11.h"
#include "pages/converters/TcForm4.h"
#include "pages/converters/TcForm8.h"
#include "pages/sensors/TcForm10.h"
#include "pages/sensors/TcForm13.h"
#include "pages/sensors/TcForm14.h"
#include "pages/sensors/TcForm5.h"
#include "pages/digital_io/TcForm3.h"
#include "pages/digital_io/TcForm7.h"
#include "pages/digital_io/TcForm9.h"
#include "shell/PageRegistry.h"

void registerPages(PageRegistry &registry)
{
    // The KQx family: one page, the variant from the main window's variant number.
    for (int index : {0, 1, 10, 16, 17})
        registry.add(index, [] { return new TcForm6; });
    registry.add(2, [] { return new TcForm13; });
    registry.add(3, [] { return new TcForm2; });
    registry.add(4, [] { return new TcForm10; });
    registry.add(5, [] { return new TcForm3; });
    registry.add(6, [] { return new TcForm7; });
    registry.add(7, [] { return new TcForm9; });
    registry.add(8, [] { return new TcForm14; });
    registry.add(9, [] { return new TcForm1; });
    registry.add(11, [] { return new TcForm8; });
    registry.add(12, [] { return new TcForm5; });
    registry.add(13, [] { return new TcForm4; });
    registry.add(14, [] { return new TcForm12; });
    registry.add(15, [] { return new TcForm11; });
}
