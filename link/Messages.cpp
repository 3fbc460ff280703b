#include "link/Messages.h"

const char *const messageTable[kMessageCount] = {
    "OK",
    "Chyba MODBUS komunikace",
    "Požadovaná operace není podporovaná",
    "Adresa registru, ke kterému chcete přistoupit je mimo rozsah",
    "Předaná data jsou neplatná",
    "Při provádění požadavku došlo k neodstranitelné chybě",
    "Prvek na sériové lince neodpovídá. Zkontrolujte jeho správné nastavení",
    "Sériová linka neodpovídá - zkontrolujte její připojení",
    "Chyba parity paměti",
    "Zařízení, které máte připojeno, není vámi zvolená komponenta",
    "Není připojeno žádné známé zařízení",
    ("Nepodařilo se navázat spojení s připojenou komponentou, nastavení prvku bylo testem "
     "změněno.\n                             Zřejmě nebyly přepnuty DIP spínače 1 a 2"),
    "Vnitřní chyba programu",
    "Všechna pole musí být korektně vyplněna",
    "Operace proběhla OK",
    "Obnoveno původní formulářové nastavení komponenty",
    "Data nebyla korektně uložena",
    "Nezobrazovat plovoucí nápovědu",
    "Zobrazovat plovoucí nápovědu",
    "Konfigurace načtena",
    "Konfigurace uložena",
    "Soubor s konfigurací není určen pro tento formulář",
    "Načíst uloženou konfiguraci po startu",
    "Nenačítat uloženou konfiguraci po startu",
    "Manuální výběr komponenty",
    "Automatický výběr komponenty",
    "Spouštím načítání provozních dat",
    "Ukončuji načítání provozních dat",
    "Nastavení okna uloženo",
    "Chyba kontrolního CRC",
    "Nenačítat data po startu komponenty",
    "Načíst data po startu komponenty",
};

QString message(int n)
{
    if (n < 0 || n >= kMessageCount)
        return QString();
    return QString::fromUtf8(messageTable[n]);
}
