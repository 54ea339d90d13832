// A short tour of bright Messier objects: each one is selected, the telescope slews to it and
// its position and description go to the console. alert() (the "alert()" button) ends the tour
// after the current object.
var stopRequested = false;

function alert() {
    stopRequested = true;
    Console.PrintLine("Stopping after this object.");
}

function main() {
    var tour = ["M 31", "M 13", "M 57", "M 27", "M 42", "M 45"];
    Console.Clear();
    for (var i = 0; i < tour.length && !stopRequested; i++) {
        if (!SelectObject(tour[i])) {
            Console.PrintLine(tour[i] + ": not found");
            continue;
        }
        try {
            SlewToCurrentObject();
        } catch (e) {
            // Below the horizon or refused: say so and go on with the next one.
            Console.PrintLine(tour[i] + ": " + e.message);
            continue;
        }
        Console.PrintLine(tour[i] + "  RA " + Util.Hours_HMS(RightAscension) + "  Dec " +
                          Util.Degrees_DMS(Declination));
        Console.PrintLine("    " + ObjectInformation);
        WaitForMilliseconds(10000); // time to look
    }
    Console.PrintLine("Tour finished.");
}
