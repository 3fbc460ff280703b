#pragma once

class PageRegistry;

// Registers every device page with the shell's registry.
void registerPages(PageRegistry &registry);
