// velmora in the browser: the saver on a web page. The page (page/page.js)
// passes its address's settings as arguments, "--name value".
#include "page_bridge.h"
#include "page_run.h"
#include "page_settings.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    TellEventKinds();
    std::vector<std::string> problems;
    const PageLink link = ParseLink(argc, argv, problems);
    for (const std::string& problem : problems) ShowNotice("Left out of the address: " + problem);
    return RunPage(link);
}
