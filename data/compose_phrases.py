#!/usr/bin/env python3
"""Writes lists/Phrases.tsv: 200 sample sentences in each of EN, DE, FR, ES and IT.

Each sentence is a subject, a predicate and an optional time phrase. The parts
below are kept parallel across the languages (row i of every language says the
same thing), so the choice of combinations is made once and every language gets
the same 120 sentences about the past and 80 about habits. Some predicates only
go with some time phrases; those pairs are listed in PAST_EXCLUDED and
PRESENT_ALLOWED. A "{E}" in a predicate marks where the time phrase goes (German
word order); without it the time phrase ends the sentence.

Run by hand after editing the parts: python3 data/compose_phrases.py
The build reads only the .tsv it writes.
"""
import os
import random
import re

LANGUAGES = ["EN", "DE", "FR", "ES", "IT"]

SUBJECTS = {
    "EN": ["My neighbour", "The new manager", "Our teacher", "The young engineer",
           "My grandmother", "The taxi driver", "Her brother", "The head chef",
           "Our landlord", "The museum guide", "A farmer from the village",
           "The school principal", "My colleague", "The night nurse", "His cousin",
           "The librarian", "The team captain", "An old friend of mine", "The mayor",
           "The photographer"],
    "DE": ["Mein Nachbar", "Die neue Geschäftsführerin", "Unsere Lehrerin",
           "Der junge Ingenieur", "Meine Großmutter", "Der Taxifahrer", "Ihr Bruder",
           "Der Küchenchef", "Unser Vermieter", "Die Museumsführerin",
           "Ein Bauer aus dem Dorf", "Die Schulleiterin", "Mein Kollege",
           "Die Nachtschwester", "Sein Cousin", "Die Bibliothekarin",
           "Der Mannschaftskapitän", "Ein alter Freund von mir", "Die Bürgermeisterin",
           "Der Fotograf"],
    "FR": ["Mon voisin", "La nouvelle directrice", "Notre institutrice",
           "Le jeune ingénieur", "Ma grand-mère", "Le chauffeur de taxi", "Son frère",
           "Le chef cuisinier", "Notre propriétaire", "La guide du musée",
           "Un agriculteur du village", "La directrice de l'école", "Mon collègue",
           "L'infirmière de nuit", "Son cousin", "La bibliothécaire",
           "Le capitaine de l'équipe", "Un vieil ami", "La maire", "Le photographe"],
    "ES": ["Mi vecino", "La nueva directora", "Nuestra profesora", "El joven ingeniero",
           "Mi abuela", "El taxista", "Su hermano", "El jefe de cocina", "Nuestro casero",
           "La guía del museo", "Un agricultor del pueblo", "La directora del colegio",
           "Mi compañero de trabajo", "La enfermera del turno de noche", "Su primo",
           "La bibliotecaria", "El capitán del equipo", "Un viejo amigo mío",
           "La alcaldesa", "El fotógrafo"],
    "IT": ["Il mio vicino", "La nuova direttrice", "La nostra insegnante",
           "Il giovane ingegnere", "Mia nonna", "Il tassista", "Suo fratello",
           "Il capocuoco", "Il nostro padrone di casa", "La guida del museo",
           "Un contadino del paese", "La preside della scuola", "Il mio collega",
           "L'infermiera del turno di notte", "Suo cugino", "La bibliotecaria",
           "Il capitano della squadra", "Un mio vecchio amico", "La sindaca",
           "Il fotografo"],
}

PAST = {
    "EN": ["painted the kitchen a pale shade of yellow", "forgot an umbrella on the train",
           "booked a table for six at the harbour restaurant", "read the whole contract twice",
           "planted tomatoes and beans in the garden", "fixed the broken fence behind the house",
           "sent a long letter to the city council", "baked bread for the whole street",
           "lost the keys to the garage", "ordered three boxes of printer paper",
           "found an old photo album in the attic",
           "called the insurance company about the storm damage",
           "repaired the bicycle in less than an hour",
           "gave a short speech at the opening of the library", "missed the last bus home",
           "bought a second-hand piano", "wrote down every idea in a small notebook",
           "cleaned out the cellar", "took the children to the zoo",
           "answered more than forty emails", "tried a new recipe with lentils and spinach",
           "sold the old car to a student", "walked along the river to the old mill",
           "moved the meeting to Thursday afternoon", "signed the lease for a small shop",
           "asked for a window seat", "finished the quarterly report",
           "hung new curtains in the living room",
           "visited an exhibition about early aviation",
           "complained about the noise from the building site"],
    "DE": ["hat {E} die Küche hellgelb gestrichen", "hat {E} einen Regenschirm im Zug vergessen",
           "hat {E} im Restaurant am Hafen einen Tisch für sechs Personen reserviert",
           "hat {E} den ganzen Vertrag zweimal gelesen",
           "hat {E} Tomaten und Bohnen im Garten gepflanzt",
           "hat {E} den kaputten Zaun hinter dem Haus repariert",
           "hat {E} einen langen Brief an den Stadtrat geschickt",
           "hat {E} Brot für die ganze Straße gebacken", "hat {E} die Garagenschlüssel verloren",
           "hat {E} drei Kartons Druckerpapier bestellt",
           "hat {E} auf dem Dachboden ein altes Fotoalbum gefunden",
           "hat {E} wegen der Sturmschäden bei der Versicherung angerufen",
           "hat {E} das Fahrrad in weniger als einer Stunde repariert",
           "hat {E} bei der Eröffnung der Bibliothek eine kurze Rede gehalten",
           "hat {E} den letzten Bus nach Hause verpasst", "hat {E} ein gebrauchtes Klavier gekauft",
           "hat {E} jede Idee in ein kleines Notizbuch geschrieben",
           "hat {E} den Keller ausgeräumt", "hat {E} die Kinder in den Zoo mitgenommen",
           "hat {E} mehr als vierzig E-Mails beantwortet",
           "hat {E} ein neues Rezept mit Linsen und Spinat ausprobiert",
           "hat {E} das alte Auto an einen Studenten verkauft",
           "ist {E} am Fluss entlang bis zur alten Mühle gelaufen",
           "hat {E} die Besprechung auf Donnerstagnachmittag verschoben",
           "hat {E} den Mietvertrag für einen kleinen Laden unterschrieben",
           "hat {E} um einen Fensterplatz gebeten", "hat {E} den Quartalsbericht fertiggestellt",
           "hat {E} neue Vorhänge im Wohnzimmer aufgehängt",
           "hat {E} eine Ausstellung über die Anfänge der Luftfahrt besucht",
           "hat sich {E} über den Lärm von der Baustelle beschwert"],
    "FR": ["a repeint la cuisine en jaune pâle", "a oublié un parapluie dans le train",
           "a réservé une table pour six au restaurant du port",
           "a lu tout le contrat deux fois",
           "a planté des tomates et des haricots dans le jardin",
           "a réparé la clôture cassée derrière la maison",
           "a envoyé une longue lettre au conseil municipal", "a fait du pain pour toute la rue",
           "a perdu les clés du garage", "a commandé trois cartons de papier pour l'imprimante",
           "a trouvé un vieil album de photos au grenier",
           "a appelé l'assurance au sujet des dégâts de la tempête",
           "a réparé le vélo en moins d'une heure",
           "a fait un court discours à l'inauguration de la bibliothèque",
           "a raté le dernier bus pour rentrer", "a acheté un piano d'occasion",
           "a noté chaque idée dans un petit carnet", "a vidé la cave",
           "a emmené les enfants au zoo", "a répondu à plus de quarante courriels",
           "a essayé une nouvelle recette aux lentilles et aux épinards",
           "a vendu la vieille voiture à un étudiant",
           "a marché le long de la rivière jusqu'au vieux moulin",
           "a déplacé la réunion à jeudi après-midi",
           "a signé le bail d'une petite boutique", "a demandé une place côté fenêtre",
           "a terminé le rapport trimestriel", "a posé de nouveaux rideaux dans le salon",
           "a visité une exposition sur les débuts de l'aviation",
           "a protesté contre le bruit du chantier"],
    "ES": ["pintó la cocina de amarillo claro", "olvidó un paraguas en el tren",
           "reservó una mesa para seis en el restaurante del puerto",
           "leyó el contrato entero dos veces", "plantó tomates y judías en el huerto",
           "arregló la valla rota detrás de la casa", "envió una carta larga al ayuntamiento",
           "hizo pan para toda la calle", "perdió las llaves del garaje",
           "pidió tres cajas de papel para la impresora",
           "encontró un álbum de fotos antiguo en el desván",
           "llamó a la aseguradora por los daños de la tormenta",
           "arregló la bicicleta en menos de una hora",
           "dio un breve discurso en la inauguración de la biblioteca",
           "perdió el último autobús a casa", "compró un piano de segunda mano",
           "apuntó cada idea en una libreta pequeña", "limpió el sótano a fondo",
           "llevó a los niños al zoo", "contestó más de cuarenta correos",
           "probó una receta nueva con lentejas y espinacas",
           "vendió el coche viejo a un estudiante",
           "caminó por la orilla del río hasta el viejo molino",
           "cambió la reunión al jueves por la tarde",
           "firmó el contrato de alquiler de una pequeña tienda",
           "pidió un asiento junto a la ventanilla", "terminó el informe trimestral",
           "colgó cortinas nuevas en el salón",
           "visitó una exposición sobre los inicios de la aviación",
           "se quejó del ruido de la obra"],
    "IT": ["ha dipinto la cucina di giallo chiaro", "ha dimenticato un ombrello sul treno",
           "ha prenotato un tavolo per sei al ristorante del porto",
           "ha letto tutto il contratto due volte", "ha piantato pomodori e fagioli nell'orto",
           "ha riparato la recinzione rotta dietro casa",
           "ha mandato una lunga lettera al consiglio comunale",
           "ha fatto il pane per tutta la via", "ha perso le chiavi del garage",
           "ha ordinato tre scatole di carta per la stampante",
           "ha trovato un vecchio album di foto in soffitta",
           "ha chiamato l'assicurazione per i danni del temporale",
           "ha aggiustato la bicicletta in meno di un'ora",
           "ha tenuto un breve discorso all'inaugurazione della biblioteca",
           "ha perso l'ultimo autobus per tornare a casa", "ha comprato un pianoforte usato",
           "ha annotato ogni idea in un piccolo quaderno", "ha svuotato la cantina",
           "ha portato i bambini allo zoo", "ha risposto a più di quaranta email",
           "ha provato una nuova ricetta con lenticchie e spinaci",
           "ha venduto la vecchia macchina a uno studente",
           "ha camminato lungo il fiume fino al vecchio mulino",
           "ha spostato la riunione a giovedì pomeriggio",
           "ha firmato il contratto d'affitto di un piccolo negozio",
           "ha chiesto un posto vicino al finestrino", "ha finito la relazione trimestrale",
           "ha appeso tende nuove in soggiorno",
           "ha visitato una mostra sui primi anni dell'aviazione",
           "ha protestato per il rumore del cantiere"],
}

PAST_WHEN = {
    "EN": ["", "yesterday", "last weekend", "on Monday morning", "two days ago", "before lunch",
           "after the meeting", "last summer", "on Friday evening", "earlier this week",
           "last month", "at the end of May"],
    "DE": ["", "gestern", "am letzten Wochenende", "am Montagmorgen", "vor zwei Tagen",
           "vor dem Mittagessen", "nach der Besprechung", "letzten Sommer", "am Freitagabend",
           "Anfang dieser Woche", "letzten Monat", "Ende Mai"],
    "FR": ["", "hier", "le week-end dernier", "lundi matin", "il y a deux jours",
           "avant le déjeuner", "après la réunion", "l'été dernier", "vendredi soir",
           "en début de semaine", "le mois dernier", "fin mai"],
    "ES": ["", "ayer", "el fin de semana pasado", "el lunes por la mañana", "hace dos días",
           "antes de comer", "después de la reunión", "el verano pasado",
           "el viernes por la noche", "a principios de esta semana", "el mes pasado",
           "a finales de mayo"],
    "IT": ["", "ieri", "lo scorso fine settimana", "lunedì mattina", "due giorni fa",
           "prima di pranzo", "dopo la riunione", "l'estate scorsa", "venerdì sera",
           "all'inizio della settimana", "il mese scorso", "a fine maggio"],
}

# Past predicate -> time phrases it does not go with.
PAST_EXCLUDED = {3: {4}, 14: {3, 5}, 23: {3, 6, 8}}

PRESENT = {
    "EN": ["walks the dog along the canal", "has breakfast on the balcony",
           "reads the newspaper in a small café", "takes the train to the office",
           "plays tennis with a group of friends", "cooks dinner for the whole family",
           "works in the garden", "buys fresh vegetables at the market",
           "goes swimming at the public pool", "waters the plants on the balcony",
           "phones an old aunt in the countryside", "rides a bicycle to work",
           "listens to the radio while cooking", "spends an hour in the city library",
           "bakes a cake for the neighbours", "writes a few pages in a diary",
           "goes jogging in the park", "practises the violin", "meets friends for lunch",
           "helps out at the animal shelter"],
    "DE": ["geht {E} mit dem Hund am Kanal spazieren", "frühstückt {E} auf dem Balkon",
           "liest {E} in einem kleinen Café die Zeitung", "fährt {E} mit dem Zug ins Büro",
           "spielt {E} mit ein paar Freunden Tennis", "kocht {E} für die ganze Familie",
           "arbeitet {E} im Garten", "kauft {E} frisches Gemüse auf dem Markt",
           "geht {E} im Hallenbad schwimmen", "gießt {E} die Pflanzen auf dem Balkon",
           "ruft {E} eine alte Tante auf dem Land an", "fährt {E} mit dem Fahrrad zur Arbeit",
           "hört {E} beim Kochen Radio", "verbringt {E} eine Stunde in der Stadtbibliothek",
           "backt {E} einen Kuchen für die Nachbarn", "schreibt {E} ein paar Seiten in ein Tagebuch",
           "geht {E} im Park joggen", "übt {E} Geige", "trifft sich {E} mit Freunden zum Mittagessen",
           "hilft {E} im Tierheim aus"],
    "FR": ["promène le chien le long du canal", "prend le petit déjeuner sur le balcon",
           "lit le journal dans un petit café", "prend le train pour aller au bureau",
           "joue au tennis avec un groupe d'amis", "prépare le dîner pour toute la famille",
           "travaille dans le jardin", "achète des légumes frais au marché",
           "va nager à la piscine municipale", "arrose les plantes du balcon",
           "téléphone à une vieille tante qui vit à la campagne", "va au travail à vélo",
           "écoute la radio en cuisinant", "passe une heure à la bibliothèque municipale",
           "fait un gâteau pour les voisins", "écrit quelques pages dans un journal intime",
           "fait un jogging dans le parc", "s'exerce au violon", "retrouve des amis pour déjeuner",
           "donne un coup de main au refuge pour animaux"],
    "ES": ["pasea al perro junto al canal", "desayuna en el balcón",
           "lee el periódico en una pequeña cafetería", "va a la oficina en tren",
           "juega al tenis con un grupo de amigos", "prepara la cena para toda la familia",
           "trabaja en el jardín", "compra verdura fresca en el mercado",
           "va a nadar a la piscina municipal", "riega las plantas del balcón",
           "llama por teléfono a una tía mayor que vive en el campo", "va al trabajo en bicicleta",
           "escucha la radio mientras cocina", "pasa una hora en la biblioteca municipal",
           "hace un pastel para los vecinos", "escribe unas páginas en un diario",
           "sale a correr por el parque", "practica el violín", "queda con unos amigos para comer",
           "echa una mano en el refugio de animales"],
    "IT": ["porta a spasso il cane lungo il canale", "fa colazione sul balcone",
           "legge il giornale in un piccolo bar", "va in ufficio in treno",
           "gioca a tennis con un gruppo di amici", "prepara la cena per tutta la famiglia",
           "lavora in giardino", "compra verdura fresca al mercato",
           "va a nuotare in piscina", "innaffia le piante sul balcone",
           "telefona a una vecchia zia che vive in campagna", "va al lavoro in bicicletta",
           "ascolta la radio mentre cucina", "passa un'ora nella biblioteca comunale",
           "prepara una torta per i vicini", "scrive qualche pagina in un diario",
           "va a correre al parco", "si esercita al violino", "pranza con alcuni amici",
           "dà una mano al rifugio per animali"],
}

PRESENT_WHEN = {
    "EN": ["every morning", "on Saturdays", "twice a week", "every evening", "almost every day",
           "on Sunday mornings", "in the summer", "as often as possible"],
    "DE": ["jeden Morgen", "samstags", "zweimal pro Woche", "jeden Abend", "fast jeden Tag",
           "sonntagmorgens", "im Sommer", "so oft wie möglich"],
    "FR": ["tous les matins", "le samedi", "deux fois par semaine", "tous les soirs",
           "presque tous les jours", "le dimanche matin", "en été", "aussi souvent que possible"],
    "ES": ["todas las mañanas", "los sábados", "dos veces por semana", "todas las noches",
           "casi todos los días", "los domingos por la mañana", "en verano",
           "tan a menudo como puede"],
    "IT": ["ogni mattina", "il sabato", "due volte alla settimana", "ogni sera",
           "quasi tutti i giorni", "la domenica mattina", "d'estate", "il più spesso possibile"],
}

ALL_PRESENT = set(range(8))
# Present predicate -> time phrases it goes with.
PRESENT_ALLOWED = {
    1: {0, 1, 4, 5, 6, 7}, 3: {0, 2, 4, 7}, 4: {1, 2, 3, 5, 6, 7}, 5: {1, 2, 3, 4, 7},
    7: {0, 1, 2, 5, 7}, 9: {0, 2, 3, 4, 6}, 10: {1, 2, 3, 5, 7}, 11: {0, 2, 4, 6, 7},
    12: {2, 3, 4, 7}, 13: {1, 2, 5, 6, 7}, 14: {1, 5}, 15: {0, 3, 4, 5, 7},
    17: {0, 1, 2, 3, 4, 7}, 18: {1, 2, 5, 6, 7}, 19: {1, 2, 5, 6, 7},
}


def choose(count, predicates, endings, allowed, rng):
    """Picks distinct (subject, predicate, ending) index triples, using every
    predicate equally often, never giving one predicate the same subject twice,
    and spreading subjects and endings evenly."""
    subjects = len(SUBJECTS["EN"])
    chosen = []
    subject_use = [0] * subjects
    ending_use = [0] * endings
    pairs = set()
    for k in range(count):
        p = k % predicates
        free = [s for s in range(subjects) if (s, p) not in pairs]
        s = min(free, key=lambda s: (subject_use[s], rng.random()))
        e = min(allowed(p), key=lambda e: (ending_use[e], rng.random()))
        pairs.add((s, p))
        subject_use[s] += 1
        ending_use[e] += 1
        chosen.append((s, p, e))
    return chosen


def sentence(subject, predicate, when):
    if "{E}" in predicate:
        text = subject + " " + predicate.replace("{E}", when)
    else:
        text = subject + " " + predicate + (" " + when if when else "")
    return re.sub(r"\s+", " ", text).strip() + "."


def main():
    rng = random.Random(2024)
    past = choose(120, len(PAST["EN"]), len(PAST_WHEN["EN"]),
                  lambda p: set(range(len(PAST_WHEN["EN"]))) - PAST_EXCLUDED.get(p, set()), rng)
    present = choose(80, len(PRESENT["EN"]), len(PRESENT_WHEN["EN"]),
                     lambda p: PRESENT_ALLOWED.get(p, ALL_PRESENT), rng)
    rows = []
    for lang in LANGUAGES:
        texts = [sentence(SUBJECTS[lang][s], PAST[lang][p], PAST_WHEN[lang][e]) for s, p, e in past]
        texts += [sentence(SUBJECTS[lang][s], PRESENT[lang][p], PRESENT_WHEN[lang][e])
                  for s, p, e in present]
        assert len(set(texts)) == 200, lang
        rows += [(t, lang) for t in sorted(texts)]
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lists", "Phrases.tsv")
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("Phrase\tLanguage\n")
        for text, lang in rows:
            out.write(text + "\t" + lang + "\n")


if __name__ == "__main__":
    main()
