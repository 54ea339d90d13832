// Lists the objects that the finder's current filter selects, one line each, to the console.

function main() {
    Console.Clear();
    var count = 0;
    var found = FindFirstObject();
    while (found && count < 100) {
        count++;
        Console.PrintLine(count + ". " + ObjectInformation + "  RA " +
                          Util.Hours_HMS(ObjectRightAscension) + "  Dec " +
                          Util.Degrees_DMS(ObjectDeclination));
        found = FindNextObject();
    }
    Console.PrintLine(count ? count + " objects found." : "No object passes the filter.");
}
