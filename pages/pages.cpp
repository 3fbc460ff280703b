#include "pages/pages.h"

void registerPages(PageRegistry &)
{
}
